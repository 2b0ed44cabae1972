// Reads a playlist as GNOME's players do, with their playlist parser, and prints each
// entry on a line of its own: URI, title, author, album and duration in milliseconds,
// separated by tabs, a field the parser did not give as "-". Exit status 0 when the
// parser called the playlist a success.
#include <cstdio>
#include <totem-pl-parser.h>

namespace
{
void Print(const void* pValue, const char* end)
{
    const auto* value = static_cast<const char*>(pValue);
    // A tab or a line break inside a value would break the line's fields apart.
    for (const char* p = value ? value : "-"; *p; ++p)
        putchar(*p == '\t' || *p == '\n' || *p == '\r' ? ' ' : *p);
    fputs(end, stdout);
}

void OnEntry(TotemPlParser* parser, const char* uri, GHashTable* metadata, gpointer data)
{
    (void)parser;
    (void)data;
    Print(uri, "\t");
    Print(g_hash_table_lookup(metadata, TOTEM_PL_PARSER_FIELD_TITLE), "\t");
    Print(g_hash_table_lookup(metadata, TOTEM_PL_PARSER_FIELD_AUTHOR), "\t");
    Print(g_hash_table_lookup(metadata, TOTEM_PL_PARSER_FIELD_ALBUM), "\t");
    Print(g_hash_table_lookup(metadata, TOTEM_PL_PARSER_FIELD_DURATION_MS), "\n");
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: plparse PLAYLIST\n");
        return 2;
    }
    TotemPlParser* parser = totem_pl_parser_new();
    g_signal_connect(parser, "entry-parsed", G_CALLBACK(OnEntry), nullptr);
    GFile* file = g_file_new_for_path(argv[1]);
    char* uri = g_file_get_uri(file);
    const TotemPlParserResult result = totem_pl_parser_parse(parser, uri, FALSE);
    g_free(uri);
    g_object_unref(file);
    g_object_unref(parser);
    return result == TOTEM_PL_PARSER_RESULT_SUCCESS ? 0 : 1;
}
