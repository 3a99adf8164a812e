#include "document/SermonDocument.h"
#include "document/UndoRegistrar.h"

#include "support/TreeDump.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <map>
#include <random>

using namespace kestrion;

namespace {

// Every node's id, text, depth and flags in preorder: equal dumps mean equal trees, ids
// included.
QString dump(const SermonNodePtr& root)
{
    QString out;
    for (const auto& n : root->allNodes())
        out += QStringLiteral("%1 %2:%3%4%5|")
                   .arg(n->id().toString(QUuid::WithoutBraces), n->text())
                   .arg(n->depth())
                   .arg(n->isCollapsed() ? "c" : "")
                   .arg(n->isQuote() ? "q" : "");
    return out;
}

struct Sermon {
    SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    SermonNodePtr a = root->addChild(QStringLiteral("First point"));
    SermonNodePtr a1 = a->addChild(QStringLiteral("Grace and peace"));
    SermonNodePtr b = root->addChild(QStringLiteral("Second point"));
    SermonDocument document { root };
};

class CountingRegistrar : public UndoRegistrar {
public:
    void registerUndo(SermonDocument& document) override
    {
        ++registrations;
        lastDocument = &document;
    }
    bool withdrawUndo(SermonDocument&) override { return true; }
    int registrations = 0;
    SermonDocument* lastDocument = nullptr;
};

} // namespace

TEST(SermonDocumentTest, NewDocumentStartsWithoutHistory)
{
    SermonMetadata details;
    details.series = QStringLiteral("Advent");
    Sermon s;
    SermonDocument document(s.root, details);
    EXPECT_EQ(document.root(), s.root);
    EXPECT_EQ(document.metadata(), details);
    EXPECT_TRUE(document.undoStack().empty());
    EXPECT_TRUE(document.redoStack().empty());
    EXPECT_EQ(document.undoRedoGeneration(), 0);
    EXPECT_FALSE(document.lastRestoredNodeID());
    EXPECT_FALSE(document.currentSelectedNodeID());

    SermonDocument untitled;
    ASSERT_TRUE(untitled.root());
    EXPECT_EQ(untitled.root()->text(), QStringLiteral("New Sermon"));
    EXPECT_FALSE(untitled.root()->hasChildren());
}

TEST(SermonDocumentTest, SettersStoreUnchangedValuesSilently)
{
    Sermon s;
    QSignalSpy metadataSpy(&s.document, &SermonDocument::metadataChanged);
    QSignalSpy rootSpy(&s.document, &SermonDocument::rootChanged);
    QSignalSpy selectionSpy(&s.document, &SermonDocument::currentSelectedNodeIDChanged);
    QSignalSpy titleSpy(&s.document, &SermonDocument::titleChanged);

    EXPECT_FALSE(s.document.setTitle(QStringLiteral("Title")));
    EXPECT_FALSE(s.document.setMetadata(SermonMetadata {}));
    EXPECT_FALSE(s.document.setRoot(s.root));
    EXPECT_FALSE(s.document.setRoot(nullptr));
    EXPECT_FALSE(s.document.setCurrentSelectedNodeID(std::nullopt));
    EXPECT_EQ(metadataSpy.count() + rootSpy.count() + selectionSpy.count() + titleSpy.count(), 0);
    EXPECT_EQ(s.document.root(), s.root);

    // The title is the root's own text, announced.
    EXPECT_TRUE(s.document.setTitle(QStringLiteral("Homecoming")));
    EXPECT_EQ(s.root->text(), QStringLiteral("Homecoming"));
    EXPECT_EQ(titleSpy.count(), 1);

    SermonMetadata details;
    details.duration = 25;
    EXPECT_TRUE(s.document.setMetadata(details));
    EXPECT_TRUE(s.document.setCurrentSelectedNodeID(s.a->id()));
    EXPECT_FALSE(s.document.setCurrentSelectedNodeID(s.a->id()));
    EXPECT_TRUE(s.document.setRoot(SermonNode::create(QStringLiteral("Other"))));
    EXPECT_EQ(metadataSpy.count(), 1);
    EXPECT_EQ(rootSpy.count(), 1);
    EXPECT_EQ(selectionSpy.count(), 1);
}

TEST(SermonDocumentTest, RecordingTakesADeepCopyKeepingIds)
{
    Sermon s;
    CountingRegistrar registrar;
    s.document.recordUndo(s.a1->id(), &registrar);
    ASSERT_EQ(s.document.undoStack().size(), 1u);
    const SermonDocument::UndoSnapshot& snapshot = s.document.undoStack().front();
    EXPECT_EQ(dump(snapshot.root), dump(s.root));
    EXPECT_NE(snapshot.root, s.root);
    EXPECT_NE(snapshot.root->findNode(s.a1->id()), s.a1);
    EXPECT_EQ(snapshot.selectedNodeID, s.a1->id());
    EXPECT_EQ(registrar.registrations, 1);
    EXPECT_EQ(registrar.lastDocument, &s.document);

    s.a1->setText(QStringLiteral("Changed"));
    EXPECT_EQ(snapshot.root->findNode(s.a1->id())->text(), QStringLiteral("Grace and peace"));

    // Without a registrar the step is kept all the same.
    s.document.recordUndo(std::nullopt);
    EXPECT_EQ(s.document.undoStack().size(), 2u);
    EXPECT_FALSE(s.document.undoStack().back().selectedNodeID);
    EXPECT_EQ(registrar.registrations, 1);
}

TEST(SermonDocumentTest, KeepsFiftyStepsAndDropsTheOldest)
{
    Sermon s;
    for (int i = 0; i < 51; ++i) {
        s.document.recordUndo(std::nullopt);
        s.a1->setText(QStringLiteral("v%1").arg(i + 1));
    }
    ASSERT_EQ(s.document.undoStack().size(), 50u);
    EXPECT_EQ(s.document.undoStack().front().root->findNode(s.a1->id())->text(), QStringLiteral("v1"));
    EXPECT_EQ(s.document.undoStack().back().root->findNode(s.a1->id())->text(), QStringLiteral("v50"));

    for (int i = 0; i < 60; ++i)
        s.document.undo();
    // The first recorded state can no longer be reached.
    EXPECT_EQ(s.document.root()->findNode(s.a1->id())->text(), QStringLiteral("v1"));
    EXPECT_EQ(s.document.undoRedoGeneration(), 50);
    EXPECT_TRUE(s.document.undoStack().empty());
    EXPECT_EQ(s.document.redoStack().size(), 50u);

    for (int i = 0; i < 60; ++i)
        s.document.redo();
    EXPECT_EQ(s.document.root()->findNode(s.a1->id())->text(), QStringLiteral("v51"));
    EXPECT_EQ(s.document.undoStack().size(), 50u);
    EXPECT_TRUE(s.document.redoStack().empty());
}

TEST(SermonDocumentTest, UndoAndRedoRestoreTextDetailsSelectionAndGeneration)
{
    Sermon s;
    SermonMetadata before;
    before.duration = 20;
    s.document.setMetadata(before);
    s.document.setCurrentSelectedNodeID(s.a1->id());

    s.document.recordUndo(s.a1->id());
    s.a1->setText(QStringLiteral("Changed"));
    SermonMetadata after = before;
    after.duration = 35;
    after.scripture = QStringLiteral("Romans 5:1");
    s.document.setMetadata(after);
    s.document.setCurrentSelectedNodeID(s.b->id());

    s.document.undo();
    SermonNodePtr restored = s.document.root()->findNode(s.a1->id());
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->text(), QStringLiteral("Grace and peace"));
    EXPECT_NE(s.document.root(), s.root);
    EXPECT_EQ(s.document.metadata(), before);
    EXPECT_EQ(s.document.lastRestoredNodeID(), s.a1->id());
    EXPECT_EQ(s.document.undoRedoGeneration(), 1);
    EXPECT_TRUE(s.document.undoStack().empty());
    ASSERT_EQ(s.document.redoStack().size(), 1u);

    s.document.redo();
    EXPECT_EQ(s.document.root()->findNode(s.a1->id())->text(), QStringLiteral("Changed"));
    EXPECT_EQ(s.document.metadata(), after);
    // Redo's snapshot was taken at undo time, with the selection the document knew then.
    EXPECT_EQ(s.document.lastRestoredNodeID(), s.b->id());
    EXPECT_EQ(s.document.undoRedoGeneration(), 2);
    EXPECT_EQ(s.document.undoStack().size(), 1u);
    EXPECT_TRUE(s.document.redoStack().empty());
    // Ids survive both restores.
    EXPECT_TRUE(s.document.root()->findNode(s.b->id()));
    EXPECT_EQ(s.document.root()->id(), s.root->id());
}

TEST(SermonDocumentTest, ANewRecordDiscardsTheRedoHistory)
{
    Sermon s;
    CountingRegistrar registrar;
    s.document.recordUndo(std::nullopt, &registrar);
    s.document.recordUndo(std::nullopt, &registrar);
    s.document.undo();
    s.document.undo();
    ASSERT_EQ(s.document.redoStack().size(), 2u);
    QSignalSpy redoSpy(&s.document, &SermonDocument::redoStackChanged);
    s.document.recordUndo(std::nullopt);
    EXPECT_TRUE(s.document.redoStack().empty());
    EXPECT_EQ(redoSpy.count(), 1);
    EXPECT_EQ(s.document.undoStack().size(), 1u);
    const QString present = dump(s.document.root());
    s.document.redo();
    EXPECT_EQ(dump(s.document.root()), present);
    EXPECT_EQ(s.document.undoRedoGeneration(), 2);
}

TEST(SermonDocumentTest, UndoAndRedoOnEmptyStacksChangeNothing)
{
    Sermon s;
    s.document.setCurrentSelectedNodeID(s.a->id());
    QSignalSpy rootSpy(&s.document, &SermonDocument::rootChanged);
    QSignalSpy generationSpy(&s.document, &SermonDocument::undoRedoGenerationChanged);
    QSignalSpy undoSpy(&s.document, &SermonDocument::undoStackChanged);
    QSignalSpy redoSpy(&s.document, &SermonDocument::redoStackChanged);
    const QString before = dump(s.root);

    s.document.undo();
    s.document.redo();
    EXPECT_EQ(s.document.root(), s.root);
    EXPECT_EQ(dump(s.document.root()), before);
    EXPECT_EQ(s.document.metadata(), SermonMetadata {});
    EXPECT_EQ(s.document.undoRedoGeneration(), 0);
    EXPECT_FALSE(s.document.lastRestoredNodeID());
    EXPECT_TRUE(s.document.undoStack().empty());
    EXPECT_TRUE(s.document.redoStack().empty());
    EXPECT_EQ(rootSpy.count() + generationSpy.count() + undoSpy.count() + redoSpy.count(), 0);
}

TEST(SermonDocumentTest, TheGenerationIsSignalledAfterTheRestoredStateIsInPlace)
{
    Sermon s;
    s.document.recordUndo(s.a->id());
    s.root->removeNode(s.a->id());

    QStringList events;
    QObject::connect(&s.document, &SermonDocument::rootChanged, [&] { events << "root"; });
    QObject::connect(&s.document, &SermonDocument::metadataChanged, [&] { events << "metadata"; });
    QObject::connect(&s.document, &SermonDocument::lastRestoredNodeIDChanged, [&] { events << "restored"; });
    QObject::connect(&s.document, &SermonDocument::undoRedoGenerationChanged, [&](qint64 generation) {
        events << QStringLiteral("generation %1").arg(generation);
        // A canvas syncing its selection here finds the restored node.
        EXPECT_TRUE(s.document.lastRestoredNodeID());
        EXPECT_TRUE(s.document.root()->findNode(*s.document.lastRestoredNodeID()));
    });
    s.document.undo();
    EXPECT_EQ(events, (QStringList { "root", "restored", "generation 1" }));
}

TEST(SermonDocumentTest, UndoingRandomEditsGivesBackEveryRecordedStateAndRedoingTheLast)
{
    // Random edits, each recorded first. Undoing walks back through exactly the recorded
    // states, ids included, to the first file text; redoing walks forward to the last.
    for (const unsigned seed : { 1u, 2u, 42u, 20240310u }) {
        std::mt19937 random(seed);
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        Sermon s;
        auto state = [&] { return dump(s.document.root()) + s.document.snapshot(); };
        std::vector<QString> states { state() };

        for (int step = 0; step < 50; ++step) {
            const auto nodes = s.document.root()->allNodes();
            SermonNodePtr node = nodes[pick(static_cast<int>(nodes.size()))];
            s.document.setCurrentSelectedNodeID(node->id());
            s.document.recordUndo(node->id());
            switch (pick(7)) {
            case 0:
                node->setText(node->text() + QString::fromUtf16(u"\u2028w") + QString::number(step));
                break;
            case 1:
                node->addChild(QStringLiteral("child %1").arg(step));
                break;
            case 2:
                s.document.root()->insertSibling(node->id(), QStringLiteral("sibling %1").arg(step));
                break;
            case 3:
                s.document.root()->removeNode(node->id());
                break;
            case 4:
                s.document.root()->moveNode(node->id(), nodes[pick(static_cast<int>(nodes.size()))]->id(), pick(3));
                break;
            case 5:
                node->setCollapsed(!node->isCollapsed());
                node->setQuote(!node->hasChildren() && !node->isQuote());
                break;
            default: {
                SermonMetadata details = s.document.metadata();
                details.series = QStringLiteral("series %1").arg(step);
                details.duration = step;
                s.document.setMetadata(details);
            }
            }
            states.push_back(state());
        }

        for (auto it = states.rbegin() + 1; it != states.rend(); ++it) {
            s.document.undo();
            ASSERT_EQ(state(), *it) << "seed " << seed;
        }
        for (auto it = states.begin() + 1; it != states.end(); ++it) {
            s.document.redo();
            ASSERT_EQ(state(), *it) << "seed " << seed;
        }
        EXPECT_EQ(s.document.undoRedoGeneration(), 2 * 50);
    }
}

TEST(SermonDocumentTest, EditingARestoredTreeLeavesEveryStepAsRecorded)
{
    // Steps share the nodes an edit left alone; the tree handed back by undo must not.
    Sermon s;
    s.document.recordUndo(std::nullopt);
    s.a1->setText(QStringLiteral("v1"));
    s.document.undo();
    const QString recorded = dump(s.document.root());

    s.document.recordUndo(std::nullopt);
    s.document.root()->findNode(s.a1->id())->setText(QStringLiteral("v2"));
    s.document.root()->findNode(s.b->id())->addChild(QStringLiteral("new"));
    s.document.undo();
    EXPECT_EQ(dump(s.document.root()), recorded);
    s.document.redo();
    EXPECT_EQ(s.document.root()->findNode(s.a1->id())->text(), QStringLiteral("v2"));
    EXPECT_EQ(s.document.root()->findNode(s.b->id())->children().size(), 1u);
}

TEST(SermonDocumentTest, EmptyOrNonUtf8ContentsAreACorruptFile)
{
    const QByteArray corrupt[] = {
        QByteArray(),
        QByteArray("\xEF\xBB\xBF"), // a byte-order mark and nothing else
        QByteArray("# Title\n\x80"), // a lone continuation byte
        QByteArray("# Caf\xC3"), // cut off in the middle of a character
        QByteArray("\xC0\xAF"), // overlong
        QByteArray("\xED\xA0\x80"), // a surrogate
        QByteArray("\xF4\x90\x80\x80"), // beyond U+10FFFF
        QByteArray("# Title\n- \xFF\xFE point\n"), QByteArray("\xFF\xFE#\0 \0T\0", 8), // UTF-16
    };
    for (const QByteArray& bytes : corrupt) {
        SermonDocument::ReadError error = SermonDocument::ReadError::None;
        EXPECT_EQ(SermonDocument::readDocument(bytes, &error), nullptr) << bytes.toHex().toStdString();
        EXPECT_EQ(error, SermonDocument::ReadError::CorruptFile) << bytes.toHex().toStdString();
        EXPECT_FALSE(SermonDocument::decodeFileText(bytes));
    }
    EXPECT_EQ(SermonDocument::readDocument(QByteArray()), nullptr);
}

TEST(SermonDocumentTest, DecodingSkipsAByteOrderMarkOnly)
{
    EXPECT_EQ(SermonDocument::decodeFileText("\xEF\xBB\xBF# Title\n"), QStringLiteral("# Title\n"));
    EXPECT_EQ(SermonDocument::decodeFileText(" "), QStringLiteral(" "));
    // A mark further on is text.
    EXPECT_EQ(SermonDocument::decodeFileText("a\xEF\xBB\xBF"), QString::fromUtf16(u"a\uFEFF"));
    EXPECT_EQ(SermonDocument::decodeFileText("\xF0\x9F\x94\xB4 x"), QString::fromUtf8("\xF0\x9F\x94\xB4 x"));
}

TEST(SermonDocumentTest, WritesTheFileTextAsUtf8WithoutAByteOrderMark)
{
    const QString text = QString::fromUtf8("# Gnade\n\n- \xF0\x9F\x94\xB4 Stra\xC3\x9F"
                                           "e\n");
    const QByteArray bytes = SermonDocument::fileContents(text);
    EXPECT_EQ(bytes,
        QByteArray("# Gnade\n\n- \xF0\x9F\x94\xB4 Stra\xC3\x9F"
                   "e\n"));
    EXPECT_EQ(SermonDocument::decodeFileText(bytes), text);
    EXPECT_TRUE(SermonDocument::fileContents(QString()).isEmpty());
    // Text that is not valid UTF-16 still gives bytes that open again.
    const QString broken = QStringLiteral("# T\n- a") + QChar(0xD800) + QStringLiteral("b\n");
    EXPECT_TRUE(SermonDocument::decodeFileText(SermonDocument::fileContents(broken)));
}

TEST(SermonDocumentTest, ReadsTheTextAfterAByteOrderMark)
{
    SermonDocument::ReadError error = SermonDocument::ReadError::CorruptFile;
    const auto document
        = SermonDocument::readDocument("\xEF\xBB\xBF---\nseries: Advent\n---\n\n# Hope\n\nWaiting\n", &error);
    ASSERT_TRUE(document);
    EXPECT_EQ(error, SermonDocument::ReadError::None);
    EXPECT_EQ(document->metadata().series, QStringLiteral("Advent"));
    EXPECT_EQ(test::treeShape(document->root()), QStringLiteral("Hope:0|Waiting:1|"));
    EXPECT_TRUE(document->undoStack().empty());
    EXPECT_EQ(document->undoRedoGeneration(), 0);
    EXPECT_FALSE(document->currentSelectedNodeID());

    // A single space is a sermon without a title.
    const auto blank = SermonDocument::readDocument(" ");
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->root()->text(), QStringLiteral("Untitled"));
}

TEST(SermonDocumentTest, UnreadableDetailsAreKeptUntilTheDetailsAreEdited)
{
    const QByteArray block = "---\nseries: Gospel of John: Signs\nscripture: John 2\n---";
    const auto document = SermonDocument::readDocument(block + "\n# Signs\n\nWine\n");
    ASSERT_TRUE(document);
    ASSERT_TRUE(document->unreadableFrontMatter());
    EXPECT_EQ(document->unreadableFrontMatter()->line, 2);
    QSignalSpy changes(document.get(), &SermonDocument::unreadableFrontMatterChanged);

    // Editing the outline, undoing and redoing it keep the block.
    document->recordUndo(std::nullopt);
    document->root()->addChild(QStringLiteral("Jars of stone"));
    EXPECT_EQ(document->snapshot(), QString::fromUtf8(block + "\n\n# Signs\n\nWine\nJars of stone\n"));
    document->undo();
    document->redo();
    EXPECT_TRUE(SermonDocument::fileContents(document->snapshot()).startsWith(block + "\n\n"));
    // Details equal to the ones in place are no edit.
    document->recordUndo(std::nullopt);
    document->setMetadata(SermonMetadata {});
    EXPECT_TRUE(document->unreadableFrontMatter());
    EXPECT_EQ(changes.count(), 0);

    // Editing the details replaces the block; undo brings it back, redo takes it away again.
    const QString kept = document->snapshot();
    SermonMetadata details;
    details.series = QStringLiteral("Signs");
    document->recordUndo(std::nullopt);
    document->setMetadata(details);
    EXPECT_FALSE(document->unreadableFrontMatter());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(document->snapshot().startsWith(QStringLiteral("---\nseries: Signs\n---\n\n# Signs\n")));
    document->undo();
    EXPECT_EQ(document->snapshot(), kept);
    EXPECT_EQ(changes.count(), 2);
    document->redo();
    EXPECT_FALSE(document->unreadableFrontMatter());
    EXPECT_EQ(document->metadata(), details);
}

TEST(SermonDocumentTest, RoundTripsThroughBytesWithNewIds)
{
    SermonNodePtr root = SermonNode::create(QStringLiteral("Grace"));
    root->addChild(QStringLiteral("Opening story"));
    root->addChild(QStringLiteral("For by grace you have been saved"))->setQuote(true);
    SermonNodePtr one = root->addChild(QStringLiteral("Point one"));
    one->addChild(QString::fromUtf16(u"Sub a\u2028second line"));
    one->addChild(QString::fromUtf8("\xF0\x9F\x94\xB4 Sub b"));
    SermonNodePtr two = root->addChild(QStringLiteral("Point two"));
    two->addChild(QStringLiteral("Detail"))->addChild(QStringLiteral("Example"));
    two->addChild(QStringLiteral("Closing thought"));
    two->setCollapsed(true);
    SermonMetadata details;
    details.scripture = QStringLiteral("Ephesians 2:8");
    details.series = QString::fromUtf8("Gnade \xC3\xBC"
                                       "ber Gnade");
    details.duration = 30;
    SermonOccasion occasion;
    occasion.place = QStringLiteral("St Mary's");
    occasion.date = QDate(2024, 3, 10);
    details.occasions.push_back(occasion);
    const SermonDocument original(root, details);

    const QByteArray bytes = SermonDocument::fileContents(original.snapshot());
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.endsWith('\n'));
    const auto reread = SermonDocument::readDocument(bytes);
    ASSERT_TRUE(reread);
    EXPECT_EQ(test::treeShape(reread->root()), test::treeShape(root));
    EXPECT_EQ(reread->metadata().scripture, details.scripture);
    EXPECT_EQ(reread->metadata().series, details.series);
    EXPECT_EQ(reread->metadata().duration, details.duration);
    ASSERT_EQ(reread->metadata().occasions.size(), 1u);
    EXPECT_EQ(reread->metadata().occasions.front().place, occasion.place);
    EXPECT_EQ(reread->metadata().occasions.front().date, occasion.date);
    for (const auto& node : reread->root()->allNodes())
        EXPECT_FALSE(root->findNode(node->id()));
    // Writing what was read gives the same bytes again.
    EXPECT_EQ(SermonDocument::fileContents(reread->snapshot()), bytes);
}

// Words still being typed are written beside the tree: the file is the one the tree would
// give with those texts in it, however they change the way their branch is written, and the
// tree keeps its own texts.
TEST(SermonDocumentTest, TypedTextsAreWrittenAsIfInTheTreeWhichKeepsItsOwn)
{
    const QString texts[] = { QStringLiteral("Grace upon grace"), QString(), QStringLiteral("two\nlines"),
        QStringLiteral("- looks like a bullet"), QStringLiteral("## looks like a heading"),
        QStringLiteral("> looks like a quote"), QString::fromUtf16(u"line\u2028break") };
    for (const QString& text : texts) {
        for (const char* which : { "root", "parent", "leaf", "quote" }) {
            Sermon s;
            const SermonNodePtr leaf = s.b->addChild(QStringLiteral("A plain leaf"));
            const SermonNodePtr quote = s.b->addChild(QStringLiteral("A quotation"));
            quote->setQuote(true);
            s.a1->addChild(QStringLiteral("Deep example"));
            const std::map<std::string, SermonNodePtr> nodes { { "root", s.root }, { "parent", s.a }, { "leaf", leaf },
                { "quote", quote } };
            const SermonNodePtr& typing = nodes.at(which);
            const QString before = s.document.snapshot();

            const SermonNodePtr copy = s.root->deepCopy(false);
            copy->findNode(typing->id())->setText(text);
            // Two editors may hold the same node; the later one's words are written.
            const QString written = s.document.snapshot({ { typing.get(), QStringLiteral("older words") },
                { s.b.get(), QStringLiteral("Typed point") }, { typing.get(), text } });
            copy->findNode(s.b->id())->setText(QStringLiteral("Typed point"));

            EXPECT_EQ(written, MarkdownCodec::serializeDocument(copy, s.document.metadata()))
                << which << " " << text.toStdString();
            EXPECT_EQ(s.document.snapshot(), before) << which;
        }
    }
}

TEST(SermonDocumentTest, WritingANodeTextTellsTheChangeInWordsThenTheEdit)
{
    Sermon s;
    QStringList heard;
    QObject::connect(&s.document, &SermonDocument::nodeTextWritten,
        [&](qint64 change) { heard << QStringLiteral("words %1").arg(change); });
    QObject::connect(&s.document, &SermonDocument::contentEdited, [&] { heard << QStringLiteral("edited"); });

    EXPECT_TRUE(s.document.writeNodeText(*s.a1, QStringLiteral("Grace and peace to you all")));
    EXPECT_FALSE(s.document.writeNodeText(*s.a1, QStringLiteral("Grace and peace to you all")));
    EXPECT_TRUE(s.document.writeNodeText(*s.a1, QString()));
    EXPECT_EQ(heard, QStringList({ "words 3", "edited", "words -6", "edited" }));
    EXPECT_EQ(s.a1->text(), QString());
}
