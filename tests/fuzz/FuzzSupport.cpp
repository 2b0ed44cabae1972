#include "FuzzSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>
#include <unistd.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

namespace fuzz
{
namespace fs = std::filesystem;

UINT CodePageFor(std::uint8_t selector)
{
    static const UINT kPages[] = {874,  932,  936,  949,  950,  1250, 1251,
                                  1252, 1253, 1254, 1255, 1256, 1257, 1258};
    return kPages[selector % std::size(kPages)];
}

namespace
{
// The work folder once made: abort() skips the destructor that would remove it.
const std::string* g_pWorkFolder = nullptr;
} // namespace

void Fail(const std::string& message)
{
    std::fprintf(stderr, "\n*** property failed: %s\n", message.c_str());
    std::fflush(stderr);
    if (g_pWorkFolder)
    {
        std::error_code ec;
        fs::remove_all(*g_pWorkFolder, ec);
    }
    std::abort();
}

namespace
{
std::string MakeWorkFolder()
{
    std::vector<std::string> bases;
    if (const char* psz = std::getenv("SQK2XML_FUZZ_TMPDIR"); psz && *psz)
        bases.push_back(psz);
    if (::access("/dev/shm", W_OK) == 0)
        bases.push_back("/dev/shm"); // memory: the targets write three files per input
    std::error_code ec;
    bases.push_back(fs::temp_directory_path(ec).string());
    for (const std::string& base : bases)
    {
        std::string pattern = base + "/sqk2xml-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()))
            return fs::canonical(pattern).string();
    }
    Fail("cannot make a private work folder");
}
} // namespace

const std::string& WorkFolder()
{
    static const struct Folder
    {
        std::string path = MakeWorkFolder();
        ~Folder()
        {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    } s_folder;
    g_pWorkFolder = &s_folder.path;
    return s_folder.path;
}

void ClearWorkFolder()
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(WorkFolder(), ec))
        fs::remove_all(entry.path(), ec);
}

std::string WorkFolderListing()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(WorkFolder(), ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string& name : names)
        listing += (listing.empty() ? "" : "/") + name;
    return listing;
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        Fail("cannot write " + path);
}

bool ReadFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

size_t FindInvalidUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n)
    {
        const unsigned char b = p[i];
        size_t nLength;
        char32_t u;
        if (b < 0x80)
        {
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF)
            nLength = 2, u = b & 0x1F;
        else if (b >= 0xE0 && b <= 0xEF)
            nLength = 3, u = b & 0x0F;
        else if (b >= 0xF0 && b <= 0xF4)
            nLength = 4, u = b & 0x07;
        else
            return i;
        if (i + nLength > n)
            return i;
        for (size_t k = 1; k < nLength; ++k)
        {
            if ((p[i + k] & 0xC0) != 0x80)
                return i;
            u = u << 6 | (p[i + k] & 0x3F);
        }
        const char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (u < kMinimum[nLength] || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF))
            return i;
        i += nLength;
    }
    return std::string_view::npos;
}

bool IsXmlChar(char32_t u)
{
    return u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF) ||
           (u >= 0xE000 && u <= 0xFFFD) || (u >= 0x10000 && u <= 0x10FFFF);
}

namespace
{
const char* const kChildren[] = {"FILEPATH", "FILESIZE", "FILETYPE", "ARTIST",  "TITLE",
                                 "ALBUM",    "GENRE",    "YEAR",     "TRACKNUM", "SAMPRATE",
                                 "CHANNELS", "BITRATE",  "DURATION"};

bool Named(const xmlNode* node, const char* pszName)
{
    return std::strcmp(reinterpret_cast<const char*>(node->name), pszName) == 0;
}

void IgnoreXmlMessage(void*, const char*, ...) {}

std::string CheckTrack(const xmlNode* track)
{
    int nLast = -1;
    for (const xmlNode* child = track->children; child; child = child->next)
    {
        if (child->type == XML_TEXT_NODE)
        {
            // Only the line ends and indentation between the children.
            for (const xmlChar* c = child->content; c && *c; ++c)
                if (*c != '\r' && *c != '\n' && *c != '\t')
                    return "text between the children of a TRACK";
            continue;
        }
        if (child->type != XML_ELEMENT_NODE)
            return "a TRACK holds a node other than elements and line ends";
        const auto* it = std::find_if(std::begin(kChildren), std::end(kChildren),
                                      [&](const char* name) { return Named(child, name); });
        if (it == std::end(kChildren))
            return std::string("unknown TRACK child ") + reinterpret_cast<const char*>(child->name);
        const int nIndex = static_cast<int>(it - std::begin(kChildren));
        if (nIndex <= nLast)
            return std::string("TRACK child out of order or repeated: ") + *it;
        if (nLast < 0 && nIndex != 0)
            return "a TRACK without FILEPATH first";
        nLast = nIndex;
        if (!child->children)
            return std::string("empty ") + *it;
        for (const xmlNode* text = child->children; text; text = text->next)
            if (text->type != XML_TEXT_NODE)
                return std::string("markup inside ") + *it;
    }
    return nLast < 0 ? "a TRACK without children" : "";
}
} // namespace

std::string CheckPlaylistDocument(const std::string& bytes, size_t* pnTracks)
{
    *pnTracks = 0;
    const size_t nBad = FindInvalidUtf8(bytes);
    if (nBad != std::string::npos)
        return "invalid UTF-8 at byte " + std::to_string(nBad);

    static const bool bQuiet = [] {
        xmlSetGenericErrorFunc(nullptr, IgnoreXmlMessage);
        return true;
    }();
    (void)bQuiet;
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "playlist.xml",
                                  nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc)
    {
        const xmlError* error = xmlGetLastError();
        std::string message = "not well-formed";
        if (error && error->message)
            message += " (line " + std::to_string(error->line) + "): " + error->message;
        return message;
    }
    std::string problem;
    const xmlNode* root = xmlDocGetRootElement(doc);
    if (!root || !Named(root, "PLAYLIST"))
        problem = "the root is not PLAYLIST";
    for (const xmlNode* node = root ? root->children : nullptr; node && problem.empty();
         node = node->next)
    {
        if (node->type == XML_TEXT_NODE)
        {
            for (const xmlChar* c = node->content; c && *c; ++c)
                if (*c != '\r' && *c != '\n' && *c != '\t')
                    problem = "text between the TRACK elements";
            continue;
        }
        if (node->type != XML_ELEMENT_NODE || !Named(node, "TRACK"))
            problem = "PLAYLIST holds something other than TRACK elements";
        else
        {
            ++*pnTracks;
            problem = CheckTrack(node);
        }
    }
    xmlFreeDoc(doc);
    return problem;
}

} // namespace fuzz
