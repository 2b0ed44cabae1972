#include "StringTable.h"

#include "resource.h"

namespace plat
{
namespace
{
struct StringEntry
{
    UINT nID;
    std::string_view text;
};

constexpr StringEntry kStrings[] = {
#define SQK_STRING(id, text) {id, text},
#include "strings.inc"
#undef SQK_STRING
};
} // namespace

std::string_view FindCompiledString(UINT nID)
{
    for (const StringEntry& entry : kStrings)
        if (entry.nID == nID)
            return entry.text;
    return {};
}

} // namespace plat
