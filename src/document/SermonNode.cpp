#include "document/SermonNode.h"
#include "document/SameText.h"

#include <QByteArrayView>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

// Every walk here is iterative: a file may nest a hundred thousand levels deep and no
// operation on the tree may overflow the stack.

namespace kestrion {

namespace {

// A random (version 4) id. The system's generator takes a microsecond and more per id, which
// a file of half a million nodes would wait for at opening; a generator it seeds once per
// thread gives ids as unlikely to repeat.
QUuid newNodeID()
{
    thread_local QRandomGenerator generator = QRandomGenerator::securelySeeded();
    std::array<quint64, 2> bits { generator.generate64(), generator.generate64() };
    std::array<char, 16> bytes;
    std::memcpy(bytes.data(), bits.data(), bytes.size());
    bytes[6] = static_cast<char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<char>((bytes[8] & 0x3F) | 0x80);
    return QUuid::fromRfc4122(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace

SermonNodePtr SermonNode::create(const QString& text, qint64 depth)
{
    return std::make_shared<SermonNode>(Token {}, newNodeID(), text, depth);
}

SermonNode::SermonNode(Token, const QUuid& id, const QString& text, qint64 depth)
    : m_id(id)
    , m_text(text)
    , m_depth(depth)
{
}

SermonNode::~SermonNode()
{
    // Tear the subtree down without recursion: detach the grandchildren of every node we
    // hold the last reference to before letting it go.
    std::vector<SermonNodePtr> pending = std::move(m_children);
    while (!pending.empty()) {
        SermonNodePtr node = std::move(pending.back());
        pending.pop_back();
        if (node && node.use_count() == 1) {
            for (auto& child : node->m_children)
                pending.push_back(std::move(child));
            node->m_children.clear();
        }
    }
}

bool SermonNode::setText(const QString& text)
{
    if (m_text == text)
        return false;
    m_text = text;
    return true;
}

bool SermonNode::setDepth(qint64 depth)
{
    if (m_depth == depth)
        return false;
    m_depth = depth;
    return true;
}

bool SermonNode::setCollapsed(bool collapsed)
{
    if (m_isCollapsed == collapsed)
        return false;
    m_isCollapsed = collapsed;
    return true;
}

bool SermonNode::setQuote(bool quote)
{
    if (m_isQuote == quote)
        return false;
    m_isQuote = quote;
    return true;
}

void SermonNode::appendChild(SermonNodePtr child)
{
    m_children.push_back(std::move(child));
}

void SermonNode::insertChild(qint64 index, SermonNodePtr child)
{
    const auto count = static_cast<qint64>(m_children.size());
    index = std::clamp<qint64>(index, 0, count);
    m_children.insert(m_children.begin() + index, std::move(child));
}

qint64 SermonNode::indexOfChild(const QUuid& id) const
{
    for (size_t i = 0; i < m_children.size(); ++i) {
        if (m_children[i]->m_id == id)
            return static_cast<qint64>(i);
    }
    return -1;
}

SermonNodePtr SermonNode::findNode(const QUuid& id)
{
    std::vector<SermonNode*> stack { this };
    while (!stack.empty()) {
        SermonNode* node = stack.back();
        stack.pop_back();
        if (node->m_id == id)
            return node->shared_from_this();
        for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it)
            stack.push_back(it->get());
    }
    return nullptr;
}

SermonNodePtr SermonNode::findParent(const QUuid& id)
{
    std::vector<SermonNode*> stack { this };
    while (!stack.empty()) {
        SermonNode* node = stack.back();
        stack.pop_back();
        for (const auto& child : node->m_children) {
            if (child->m_id == id)
                return node->shared_from_this();
        }
        for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it)
            stack.push_back(it->get());
    }
    return nullptr;
}

bool SermonNode::removeNode(const QUuid& id)
{
    SermonNodePtr parent = findParent(id);
    if (!parent)
        return false;
    std::erase_if(parent->m_children, [&](const SermonNodePtr& child) { return child->m_id == id; });
    return true;
}

SermonNodePtr SermonNode::insertSiblingAt(const QUuid& id, const QString& text, qint64 offset)
{
    SermonNodePtr parent = findParent(id);
    if (!parent)
        return nullptr;
    SermonNodePtr node = create(text, parent->m_depth + 1);
    parent->insertChild(parent->indexOfChild(id) + offset, node);
    return node;
}

SermonNodePtr SermonNode::insertSibling(const QUuid& id, const QString& text)
{
    return insertSiblingAt(id, text, 1);
}

SermonNodePtr SermonNode::insertSiblingBefore(const QUuid& id, const QString& text)
{
    return insertSiblingAt(id, text, 0);
}

SermonNodePtr SermonNode::addChild(const QString& text)
{
    SermonNodePtr node = create(text, m_depth + 1);
    if (m_isQuote)
        return node;
    m_children.push_back(node);
    setCollapsed(false);
    return node;
}

bool SermonNode::moveNode(const QUuid& id, const QUuid& newParentID, qint64 index)
{
    if (id == m_id)
        return false;
    SermonNodePtr node = findNode(id);
    if (!node)
        return false;
    if (node->findNode(newParentID))
        return false;
    SermonNodePtr newParent = findNode(newParentID);
    if (!newParent || newParent->m_isQuote)
        return false;
    SermonNodePtr oldParent = findParent(id);
    if (!oldParent)
        return false;

    std::erase_if(oldParent->m_children, [&](const SermonNodePtr& child) { return child->m_id == id; });
    newParent->insertChild(std::max<qint64>(index, 0), node);
    node->setDepthRecursively(newParent->m_depth + 1);
    return true;
}

void SermonNode::setDepthRecursively(qint64 depth)
{
    std::vector<std::pair<SermonNode*, qint64>> stack { { this, depth } };
    while (!stack.empty()) {
        auto [node, d] = stack.back();
        stack.pop_back();
        node->m_depth = d;
        for (const auto& child : node->m_children)
            stack.emplace_back(child.get(), d + 1);
    }
}

std::vector<SermonNodePtr> SermonNode::allNodes()
{
    std::vector<SermonNodePtr> result;
    std::vector<SermonNode*> stack { this };
    while (!stack.empty()) {
        SermonNode* node = stack.back();
        stack.pop_back();
        result.push_back(node->shared_from_this());
        for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it)
            stack.push_back(it->get());
    }
    return result;
}

bool SermonNode::hasOnlyLeafChildren() const
{
    if (m_children.empty())
        return false;
    return std::none_of(m_children.begin(), m_children.end(), [](const SermonNodePtr& c) { return c->hasChildren(); });
}

SermonNodePtr SermonNode::deepCopy(bool newIDs) const
{
    auto copyOne = [newIDs](const SermonNode& source) {
        auto copy
            = std::make_shared<SermonNode>(Token {}, newIDs ? newNodeID() : source.m_id, source.m_text, source.m_depth);
        copy->m_isCollapsed = source.m_isCollapsed;
        copy->m_isQuote = source.m_isQuote;
        copy->m_children.reserve(source.m_children.size());
        return copy;
    };
    SermonNodePtr top = copyOne(*this);
    // Copied in preorder, so that the copy lies in memory in the order walks read it.
    std::vector<std::pair<const SermonNode*, SermonNode*>> stack;
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        stack.emplace_back(it->get(), top.get());
    while (!stack.empty()) {
        auto [source, parent] = stack.back();
        stack.pop_back();
        parent->m_children.push_back(copyOne(*source));
        SermonNode* copy = parent->m_children.back().get();
        for (auto it = source->m_children.rbegin(); it != source->m_children.rend(); ++it)
            stack.emplace_back(it->get(), copy);
    }
    return top;
}

namespace {

// The same node as it stands, children apart.
bool sameOwnFields(const SermonNode& a, bool aIsCollapsed, const SermonNode& b)
{
    return isSameText(a.text(), b.text()) && a.id() == b.id() && a.depth() == b.depth()
        && aIsCollapsed == b.isCollapsed() && a.isQuote() == b.isQuote() && a.children().size() == b.children().size();
}

// The child of base that stands for the index-th child (with this id) of the copied node:
// the one at the same place, or one place off after an insertion or a removal.
const SermonNodePtr* baseChild(const SermonNode* base, size_t index, const QUuid& id)
{
    if (!base)
        return nullptr;
    const auto& children = base->children();
    for (size_t i : { index, index + 1, index - 1 }) {
        if (i < children.size() && children[i]->id() == id)
            return &children[i];
    }
    return nullptr;
}

} // namespace

SermonNodePtr SermonNode::sharingCopy(const SermonNodePtr& base, const QSet<QUuid>& folded) const
{
    if (!base || base->m_id != m_id) {
        // New through and through, so folding it changes no other tree.
        SermonNodePtr copy = deepCopy(false);
        setCollapsedWhere(copy, folded, true);
        return copy;
    }
    // Post-order: a node is taken from base when its own fields match and every child was
    // taken from the very same base children; otherwise it is a new node over the results.
    struct Result {
        const SermonNodePtr* reused = nullptr;
        SermonNodePtr copied;
    };
    struct Frame {
        const SermonNode* source;
        const SermonNodePtr* base;
        size_t nextChild;
        size_t firstResult;
    };
    std::vector<Result> results;
    std::vector<Frame> stack { { this, &base, 0, 0 } };
    while (!stack.empty()) {
        Frame& top = stack.back();
        const SermonNode* baseNode = top.base ? top.base->get() : nullptr;
        if (top.nextChild < top.source->m_children.size()) {
            const size_t i = top.nextChild++;
            const size_t ahead = i == 0 ? 0 : i + childPrefetchDistance - 1;
            const size_t count = i == 0 ? childPrefetchDistance : 1;
            prefetchChildren(top.source->m_children, ahead, count);
            if (baseNode)
                prefetchChildren(baseNode->m_children, ahead, count);
            const SermonNode* child = top.source->m_children[i].get();
            stack.push_back({ child, baseChild(baseNode, i, child->m_id), 0, results.size() });
            continue;
        }
        const Frame done = top;
        stack.pop_back();
        const size_t count = done.source->m_children.size();
        const bool isCollapsed
            = done.source->m_isCollapsed || (!folded.isEmpty() && folded.contains(done.source->m_id));
        bool reuse = baseNode && sameOwnFields(*done.source, isCollapsed, *baseNode);
        for (size_t i = 0; reuse && i < count; ++i)
            reuse = results[done.firstResult + i].reused == &baseNode->m_children[i];
        if (reuse) {
            results.resize(done.firstResult);
            results.push_back({ done.base, nullptr });
            continue;
        }
        auto copy
            = std::make_shared<SermonNode>(Token {}, done.source->m_id, done.source->m_text, done.source->m_depth);
        copy->m_isCollapsed = isCollapsed;
        copy->m_isQuote = done.source->m_isQuote;
        copy->m_children.reserve(count);
        for (size_t i = done.firstResult; i < results.size(); ++i)
            copy->m_children.push_back(results[i].reused ? *results[i].reused : std::move(results[i].copied));
        results.resize(done.firstResult);
        results.push_back({ nullptr, std::move(copy) });
    }
    return results.front().reused ? *results.front().reused : std::move(results.front().copied);
}

SermonNodePtr SermonNode::copyWithText(const QUuid& id, const QString& text) const
{
    // The way down to the node: each node on it with the index of the child it goes on to.
    struct Step {
        const SermonNode* node;
        size_t next;
    };
    std::vector<Step> path { { this, 0 } };
    while (!path.empty() && path.back().node->m_id != id) {
        const Step top = path.back();
        if (top.next < top.node->m_children.size()) {
            path.push_back({ top.node->m_children[top.next].get(), 0 });
            continue;
        }
        path.pop_back();
        if (!path.empty())
            ++path.back().next;
    }
    SermonNodePtr copy;
    for (auto step = path.rbegin(); step != path.rend(); ++step) {
        const SermonNode& source = *step->node;
        auto node = std::make_shared<SermonNode>(Token {}, source.m_id, copy ? source.m_text : text, source.m_depth);
        node->m_isCollapsed = source.m_isCollapsed;
        node->m_isQuote = source.m_isQuote;
        node->m_children = source.m_children;
        if (copy)
            node->m_children[step->next] = std::move(copy);
        copy = std::move(node);
    }
    return copy;
}

void setCollapsedWhere(const SermonNodePtr& node, const QSet<QUuid>& ids, bool collapsed)
{
    if (!node || ids.isEmpty())
        return;
    std::vector<SermonNode*> stack { node.get() };
    while (!stack.empty()) {
        SermonNode* current = stack.back();
        stack.pop_back();
        if (ids.contains(current->id()))
            current->setCollapsed(collapsed);
        for (const SermonNodePtr& child : current->children())
            stack.push_back(child.get());
    }
}

void indexNodesByID(const SermonNodePtr& node, SermonNodeMap& map)
{
    if (!node)
        return;
    std::vector<SermonNodePtr> stack { node };
    while (!stack.empty()) {
        SermonNodePtr current = std::move(stack.back());
        stack.pop_back();
        for (auto it = current->children().rbegin(); it != current->children().rend(); ++it)
            stack.push_back(*it);
        map.insert(current->id(), std::move(current));
    }
}

void indexParentsByChildID(const SermonNodePtr& node, SermonNodeMap& map)
{
    if (!node)
        return;
    std::vector<SermonNode*> stack { node.get() };
    while (!stack.empty()) {
        SermonNode* current = stack.back();
        stack.pop_back();
        SermonNodePtr self = current->shared_from_this();
        for (const auto& child : current->children())
            map.insert(child->id(), self);
        for (auto it = current->children().rbegin(); it != current->children().rend(); ++it)
            stack.push_back(it->get());
    }
}

} // namespace kestrion
