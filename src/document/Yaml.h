#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace kestrion {

struct YamlEntry;

// A YAML value as the front matter sees it. Aliases are never expanded: they read as
// Unreadable, so a crafted document cannot multiply itself in memory.
struct YamlNode {
    enum class Kind { Null, Scalar, Sequence, Mapping, Unreadable };

    Kind kind = Kind::Null;
    QString scalar;
    // A quoted or block scalar is always text, never a null or a number.
    bool isPlain = true;
    std::vector<YamlNode> items;
    std::vector<YamlEntry> entries;
    // A mapping entry whose key was given before, or is not a scalar, was left out.
    bool hasLeftOutEntries = false;

    static YamlNode null();
    static YamlNode text(const QString& value);
    static YamlNode integer(qint64 value);
    static YamlNode sequence(std::vector<YamlNode> items);
    static YamlNode mapping();
    void insert(const QString& key, YamlNode value);

    bool isNull() const;
    // The value of a mapping key; nullptr when absent or when this is not a mapping.
    // With duplicate keys the first one wins.
    const YamlNode* find(const QString& key) const;
    // Any scalar that is not a null reads as text.
    std::optional<QString> toText() const;
    // A plain scalar spelled as a YAML integer (decimal, 0x, 0o) that fits 64 bits.
    std::optional<qint64> toInteger() const;
};

struct YamlEntry {
    QString key;
    YamlNode value;
};

struct YamlParseResult {
    std::optional<YamlNode> root; // absent on error; a Null node for an empty document
    // The whole message, with the problem, its context and where it is.
    QString error;
    // The problem alone, and the line of the text where it is (from 1; 0 when unknown).
    QString problem;
    int line = 0;
};

class Yaml {
public:
    // Nesting deeper than this is an error rather than a stack risk.
    static constexpr int maxDepth = 64;

    // Parses the first document of the text.
    static YamlParseResult parse(const QString& text);
    // Block style, indentation 2, no line folding. Strings that would read back as
    // something else are quoted; strings with line breaks are written double-quoted on
    // one line. Returns nothing when the emitter fails.
    static std::optional<QString> emit(const YamlNode& root);
};

} // namespace kestrion
