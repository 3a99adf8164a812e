// Pastes any text under a target of the depth given by the first byte. Traps on nodes at
// the wrong depth, a quotation with children, and a word that does not arrive.

#include "FuzzSupport.h"

#include "document/MarkdownCodec.h"

#include <cstddef>
#include <cstdint>

using namespace kestrion;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const qint64 targetDepth = data[0] % 16;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const std::vector<SermonNodePtr> nodes = MarkdownCodec::parsePastedMarkdown(text, targetDepth);

    for (const SermonNodePtr& top : nodes) {
        if (top->depth() != targetDepth + 1)
            __builtin_trap();
        for (const SermonNodePtr& node : top->allNodes()) {
            if (node->isQuote() && node->hasChildren())
                __builtin_trap();
            for (const SermonNodePtr& child : node->children()) {
                if (child->depth() != node->depth() + 1)
                    __builtin_trap();
            }
        }
        QStringList lines;
        MarkdownCodec::writeNodeTree(top, 0, lines, true);
        if (lines.isEmpty())
            __builtin_trap();
    }
    if (fuzz::words(fuzz::nodeTexts(nodes)) != fuzz::words({ text }))
        __builtin_trap();
    return 0;
}
