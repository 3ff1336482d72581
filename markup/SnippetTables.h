#pragma once
// Which file each toolbar entry inserts: fixed tables from an entry's key to a path below the
// program folder. Keys are matched exactly, case included; several keys do not follow their
// file names ("animbar", "fade", "JavaScript", "VBScript", "php3").

#include <QString>
#include <span>

struct SnippetEntry {
    const char* key;
    const char* relativePath; // below the program folder, as "\tags\table.tag"
};

std::span<const SnippetEntry> htmlTagsSnippets();
std::span<const SnippetEntry> scriptingSnippets();

// The scripting entry that has no file yet and answers with a message instead.
inline constexpr const char* VBScriptBetaKey = "vbs_beta";
inline constexpr const char* NoVBScriptsMessage = "There are no VBScripts yet!";

// The logo command's file.
inline constexpr const char* LogoSnippet = "\\extras\\wbxlogo.tvx";

// The relative path of the key's file, or an empty string for a key not in the table.
QString snippetPath(std::span<const SnippetEntry> table, const QString& key);
