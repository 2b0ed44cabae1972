// POSIX implementation of FindString: programs carry no resources, only the compiled table.
#include "StringTable.h"

namespace plat
{

std::string_view FindString(UINT nID)
{
    return FindCompiledString(nID);
}

} // namespace plat
