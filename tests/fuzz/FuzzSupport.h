// Shared by the fuzz targets: the code page an input selects, a private folder per
// process, file helpers, a strict UTF-8 check and the XML document check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Types.h"

namespace fuzz
{

/// Every code page the converter supports; an input's first byte picks one.
UINT CodePageFor(std::uint8_t selector);

/// Prints the message and the input's size, then aborts, so that libFuzzer keeps the input
/// as a crash reproducer.
[[noreturn]] void Fail(const std::string& message);

/// A folder of this process alone, made on first use under $SQK2XML_FUZZ_TMPDIR, else
/// /dev/shm when it is writable, else the system's temporary folder; removed at exit.
const std::string& WorkFolder();
/// Removes everything inside the work folder.
void ClearWorkFolder();
/// The names of the entries of the work folder, sorted, joined by "/".
std::string WorkFolderListing();

void WriteFile(const std::string& path, std::string_view bytes);
/// The file's bytes; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes);

/// Offset of the first byte that is not part of valid UTF-8 (no overlong forms, no
/// surrogates, nothing above U+10FFFF), or npos when all of it is valid.
size_t FindInvalidUtf8(std::string_view text);
/// True when the code point may stand in an XML 1.0 document.
bool IsXmlChar(char32_t u);

/// Empty when the bytes are a well-formed XML document whose root PLAYLIST holds only
/// TRACK elements, each with FILEPATH first and its other children in the document's
/// fixed order, each child holding non-empty text only. Else what is wrong. *pnTracks
/// receives the number of TRACK elements.
std::string CheckPlaylistDocument(const std::string& bytes, size_t* pnTracks);

} // namespace fuzz
