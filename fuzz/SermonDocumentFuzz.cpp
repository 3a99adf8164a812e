#include "FuzzSupport.h"

#include "document/SermonDocument.h"
#include "document/WordCount.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    kestrion::fuzz::quiet();
    return 0;
}

// Any bytes: opening either fails cleanly or gives a document whose saved bytes open again,
// with an unreadable front matter written back as it was read, and whose history gives back
// exactly what it recorded.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using kestrion::SermonDocument;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    SermonDocument::ReadError error = SermonDocument::ReadError::None;
    const auto document = SermonDocument::readDocument(bytes, &error);
    if (!document) {
        if (error != SermonDocument::ReadError::CorruptFile)
            __builtin_trap();
        return 0;
    }

    const QString written = document->snapshot();
    const QByteArray saved = SermonDocument::fileContents(written);
    const auto reopened = SermonDocument::readDocument(saved);
    if (saved.startsWith("\xEF\xBB\xBF") || !reopened)
        __builtin_trap();
    if (const auto& kept = document->unreadableFrontMatter()) {
        if (!written.startsWith(kept->text + u'\n') || reopened->unreadableFrontMatter() != kept)
            __builtin_trap();
    }

    const auto fractions = kestrion::wordFractions(document->root());
    if (!fractions.empty() && fractions.back().endFraction != 1.0)
        __builtin_trap();

    document->recordUndo(std::nullopt);
    document->root()->addChild(QStringLiteral("added"));
    document->undo();
    if (document->snapshot() != written)
        __builtin_trap();
    return 0;
}
