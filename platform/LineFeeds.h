// Text-mode output: every LF reaches the file as CR LF.
#pragma once

#include <cstddef>

namespace plat
{

/// Room that out needs past 2 * n bytes: the expansion stores whole blocks of sixteen.
constexpr size_t kExpandSlack = 16;

/// Copies n bytes from in to out with each LF written as CR LF; returns the bytes written.
/// out must hold 2 * n + kExpandSlack bytes.
size_t ExpandLineFeeds(const char* in, size_t n, char* out);

} // namespace plat
