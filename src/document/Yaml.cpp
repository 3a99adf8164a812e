#include "document/Yaml.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <yaml.h>

#include <cstring>
#include <memory>
#include <string>

namespace kestrion {

namespace {

    struct ParserDeleter {
        void operator()(yaml_parser_t* p) const
        {
            yaml_parser_delete(p);
            delete p;
        }
    };
    struct EmitterDeleter {
        void operator()(yaml_emitter_t* e) const
        {
            yaml_emitter_delete(e);
            delete e;
        }
    };

    // Owns one libyaml event and frees it on scope exit.
    class Event {
    public:
        Event() = default;
        ~Event()
        {
            if (m_live)
                yaml_event_delete(&m_event);
        }
        Event(const Event&) = delete;
        Event& operator=(const Event&) = delete;
        yaml_event_t* get() { return &m_event; }
        void setLive() { m_live = true; }

    private:
        yaml_event_t m_event {};
        bool m_live = false;
    };

    // A scalar that begins with U+FEFF keeps it: only a file's own first character is a
    // byte-order mark, and QString::fromUtf8 would drop it here too.
    QString fromYaml(const char* chars, size_t length)
    {
        QStringDecoder decoder(
            QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(QByteArrayView(chars, static_cast<qsizetype>(length)));
    }

    QString fromYaml(const yaml_char_t* chars, size_t length)
    {
        return fromYaml(reinterpret_cast<const char*>(chars), length);
    }

    // Where a plain scalar that runs into a refused colon began, when it stands where a key
    // does: "scripture Romans" above "series: Advent" reads as one key over both lines, and the
    // colon missing is on the first of them. None when the scalar is a value or cannot be found.
    // The text is scanned again up to the colon, which lies codePoints into it.
    std::optional<yaml_mark_t> startOfKeyBefore(const QString& text, size_t codePoints)
    {
        qsizetype end = 0;
        for (size_t n = 0; n < codePoints && end < text.size(); ++n)
            end += text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        const QByteArray utf8 = text.first(end).toUtf8();
        std::unique_ptr<yaml_parser_t, ParserDeleter> parser(new yaml_parser_t);
        if (!yaml_parser_initialize(parser.get())) {
            delete parser.release();
            return std::nullopt;
        }
        yaml_parser_set_input_string(parser.get(), reinterpret_cast<const unsigned char*>(utf8.constData()),
                                     static_cast<size_t>(utf8.size()));
        yaml_token_type_t last = YAML_NO_TOKEN;
        yaml_token_type_t beforeLast = YAML_NO_TOKEN;
        yaml_mark_t scalarStart {};
        for (;;) {
            yaml_token_t token;
            if (!yaml_parser_scan(parser.get(), &token))
                return std::nullopt;
            const yaml_token_type_t type = token.type;
            const yaml_mark_t start = token.start_mark;
            yaml_token_delete(&token);
            if (type == YAML_STREAM_END_TOKEN || type == YAML_NO_TOKEN)
                break;
            beforeLast = last;
            last = type;
            if (type == YAML_SCALAR_TOKEN)
                scalarStart = start;
        }
        if (last != YAML_SCALAR_TOKEN || beforeLast == YAML_VALUE_TOKEN)
            return std::nullopt;
        return scalarStart;
    }

    // Where the mistake is. The parser names what it was reading (the context) and where it
    // gave up (the problem). A key without its colon, or a quote or bracket left open, shows
    // only further on, lines later at times: the mistake is where that key, quote or bracket
    // began.
    yaml_mark_t mistakeMark(const yaml_parser_t& parser, const QString& text)
    {
        static constexpr const char* leftOpen[] = { "while scanning a simple key", "while scanning a quoted scalar",
            "while parsing a flow sequence", "while parsing a flow mapping" };
        if (parser.context) {
            for (const char* context : leftOpen) {
                if (std::strcmp(parser.context, context) == 0)
                    return parser.context_mark;
            }
        }
        if (parser.error == YAML_SCANNER_ERROR && parser.problem
            && std::strcmp(parser.problem, "mapping values are not allowed in this context") == 0) {
            if (const std::optional<yaml_mark_t> key = startOfKeyBefore(text, parser.problem_mark.index))
                return *key;
        }
        return parser.problem_mark;
    }

    void setParserError(const yaml_parser_t& parser, const QString& text, YamlParseResult& result)
    {
        result.problem = parser.problem ? QString::fromUtf8(parser.problem) : QStringLiteral("unknown YAML error");
        const yaml_mark_t mark = mistakeMark(parser, text);
        result.line = static_cast<int>(mark.line) + 1;
        QString message = result.problem;
        if (parser.context)
            message = QString::fromUtf8(parser.context) + QStringLiteral(" ") + message;
        result.error = message + QStringLiteral(" at line %1, column %2").arg(result.line).arg(mark.column + 1);
    }

    // A container being filled while the parser walks its events.
    struct Frame {
        YamlNode node;
        std::optional<QString> pendingKey;
        bool keyIsUsable = true;
        bool expectingKey = true;
    };

    // Places a finished value into its parent frame, or makes it the document root.
    void attach(std::vector<Frame>& stack, std::optional<YamlNode>& root, YamlNode value)
    {
        if (stack.empty()) {
            if (!root)
                root = std::move(value);
            return;
        }
        Frame& parent = stack.back();
        if (parent.node.kind == YamlNode::Kind::Sequence) {
            parent.node.items.push_back(std::move(value));
            return;
        }
        if (parent.expectingKey) {
            parent.keyIsUsable = value.kind == YamlNode::Kind::Scalar;
            parent.pendingKey = value.scalar;
            parent.expectingKey = false;
            return;
        }
        if (parent.keyIsUsable && parent.pendingKey && !parent.node.find(*parent.pendingKey))
            parent.node.entries.push_back(YamlEntry { *parent.pendingKey, std::move(value) });
        else
            parent.node.hasLeftOutEntries = true;
        parent.pendingKey.reset();
        parent.expectingKey = true;
    }

    bool resolvesToNonString(const QString& text)
    {
        // Spellings that YAML 1.1 or 1.2 readers take for nulls, Booleans or numbers.
        static const QRegularExpression pattern(QStringLiteral(
            "^(?:~|null|Null|NULL"
            "|y|Y|yes|Yes|YES|n|N|no|No|NO|true|True|TRUE|false|False|FALSE|on|On|ON|off|Off|OFF"
            "|[-+]?(?:0b[01_]+|0o?[0-7_]+|0x[0-9a-fA-F_]+|[0-9][0-9_]*(?::[0-5]?[0-9])*)"
            "|[-+]?(?:\\.[0-9]+|[0-9][0-9_]*(?:\\.[0-9_]*)?)(?:[eE][-+]?[0-9]+)?"
            "|[-+]?\\.(?:inf|Inf|INF)|\\.(?:nan|NaN|NAN)"
            "|<<|=)$"));
        return text.isEmpty() || pattern.match(text).hasMatch();
    }

    bool hasLineBreak(const QString& text)
    {
        for (QChar c : text) {
            const char16_t u = c.unicode();
            if (u == u'\n' || u == u'\r' || u == 0x85 || u == 0x2028 || u == 0x2029)
                return true;
        }
        return false;
    }

    class Emitter {
    public:
        Emitter()
            : m_emitter(new yaml_emitter_t)
        {
            if (!yaml_emitter_initialize(m_emitter.get())) {
                delete m_emitter.release();
                return;
            }
            yaml_emitter_set_output(m_emitter.get(), &Emitter::write, &m_output);
            yaml_emitter_set_unicode(m_emitter.get(), 1);
            yaml_emitter_set_indent(m_emitter.get(), 2);
            yaml_emitter_set_width(m_emitter.get(), -1);
            yaml_emitter_set_break(m_emitter.get(), YAML_LN_BREAK);
        }

        bool run(const YamlNode& root)
        {
            if (!m_emitter)
                return false;
            yaml_event_t event;
            yaml_stream_start_event_initialize(&event, YAML_UTF8_ENCODING);
            if (!emit(event))
                return false;
            yaml_document_start_event_initialize(&event, nullptr, nullptr, nullptr, 1);
            if (!emit(event) || !emitNode(root))
                return false;
            yaml_document_end_event_initialize(&event, 1);
            if (!emit(event))
                return false;
            yaml_stream_end_event_initialize(&event);
            return emit(event) && yaml_emitter_flush(m_emitter.get());
        }

        QString output() const { return fromYaml(m_output.data(), m_output.size()); }

    private:
        static int write(void* data, unsigned char* buffer, size_t size)
        {
            static_cast<std::string*>(data)->append(reinterpret_cast<const char*>(buffer), size);
            return 1;
        }

        bool emit(yaml_event_t& event) { return yaml_emitter_emit(m_emitter.get(), &event) != 0; }

        bool emitScalar(const QString& value, bool forcePlain)
        {
            yaml_scalar_style_t style = YAML_ANY_SCALAR_STYLE;
            if (forcePlain)
                style = YAML_PLAIN_SCALAR_STYLE;
            else if (hasLineBreak(value) || resolvesToNonString(value))
                style = YAML_DOUBLE_QUOTED_SCALAR_STYLE;
            const QByteArray utf8 = value.toUtf8();
            yaml_event_t event;
            if (!yaml_scalar_event_initialize(&event, nullptr, nullptr,
                    reinterpret_cast<yaml_char_t*>(const_cast<char*>(utf8.constData())),
                    static_cast<int>(utf8.size()), 1, 1, style))
                return false;
            return emit(event);
        }

        bool emitNode(const YamlNode& node, int depth = 0)
        {
            if (depth > Yaml::maxDepth)
                return false;
            yaml_event_t event;
            switch (node.kind) {
            case YamlNode::Kind::Null:
            case YamlNode::Kind::Unreadable:
                return emitScalar(QStringLiteral("null"), true);
            case YamlNode::Kind::Scalar:
                return emitScalar(node.scalar, node.isPlain && node.toInteger().has_value());
            case YamlNode::Kind::Sequence:
                yaml_sequence_start_event_initialize(&event, nullptr, nullptr, 1, YAML_BLOCK_SEQUENCE_STYLE);
                if (!emit(event))
                    return false;
                for (const YamlNode& item : node.items) {
                    if (!emitNode(item, depth + 1))
                        return false;
                }
                yaml_sequence_end_event_initialize(&event);
                return emit(event);
            case YamlNode::Kind::Mapping:
                yaml_mapping_start_event_initialize(&event, nullptr, nullptr, 1, YAML_BLOCK_MAPPING_STYLE);
                if (!emit(event))
                    return false;
                for (const YamlEntry& entry : node.entries) {
                    if (!emitScalar(entry.key, false) || !emitNode(entry.value, depth + 1))
                        return false;
                }
                yaml_mapping_end_event_initialize(&event);
                return emit(event);
            }
            return false;
        }

        std::unique_ptr<yaml_emitter_t, EmitterDeleter> m_emitter;
        std::string m_output;
    };

} // namespace

YamlNode YamlNode::null()
{
    return {};
}

YamlNode YamlNode::text(const QString& value)
{
    YamlNode node;
    node.kind = Kind::Scalar;
    node.scalar = value;
    node.isPlain = false;
    return node;
}

YamlNode YamlNode::integer(qint64 value)
{
    YamlNode node;
    node.kind = Kind::Scalar;
    node.scalar = QString::number(value);
    node.isPlain = true;
    return node;
}

YamlNode YamlNode::sequence(std::vector<YamlNode> items)
{
    YamlNode node;
    node.kind = Kind::Sequence;
    node.items = std::move(items);
    return node;
}

YamlNode YamlNode::mapping()
{
    YamlNode node;
    node.kind = Kind::Mapping;
    return node;
}

void YamlNode::insert(const QString& key, YamlNode value)
{
    entries.push_back(YamlEntry { key, std::move(value) });
}

bool YamlNode::isNull() const
{
    if (kind == Kind::Null)
        return true;
    if (kind != Kind::Scalar || !isPlain)
        return false;
    return scalar.isEmpty() || scalar == u"~" || scalar == u"null" || scalar == u"Null" || scalar == u"NULL";
}

const YamlNode* YamlNode::find(const QString& key) const
{
    if (kind != Kind::Mapping)
        return nullptr;
    for (const YamlEntry& entry : entries) {
        if (entry.key == key)
            return &entry.value;
    }
    return nullptr;
}

std::optional<QString> YamlNode::toText() const
{
    if (kind != Kind::Scalar || isNull())
        return std::nullopt;
    return scalar;
}

std::optional<qint64> YamlNode::toInteger() const
{
    if (kind != Kind::Scalar || !isPlain || scalar.isEmpty())
        return std::nullopt;
    // \z, not $, which also matches before a final line feed.
    static const QRegularExpression decimal(QStringLiteral("\\A[-+]?[0-9]+\\z"));
    static const QRegularExpression prefixed(QStringLiteral("\\A([-+]?)0([xo])([0-9a-fA-F]+)\\z"));
    bool ok = false;
    qint64 value = 0;
    if (decimal.match(scalar).hasMatch()) {
        value = scalar.toLongLong(&ok, 10);
    } else if (const auto m = prefixed.match(scalar); m.hasMatch()) {
        const int base = m.captured(2) == u"x" ? 16 : 8;
        value = (m.captured(1) + m.captured(3)).toLongLong(&ok, base);
    }
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

YamlParseResult Yaml::parse(const QString& text)
{
    YamlParseResult result;
    std::unique_ptr<yaml_parser_t, ParserDeleter> parser(new yaml_parser_t);
    if (!yaml_parser_initialize(parser.get())) {
        delete parser.release();
        result.error = result.problem = QStringLiteral("cannot initialise the YAML parser");
        return result;
    }
    const QByteArray utf8 = text.toUtf8();
    yaml_parser_set_input_string(parser.get(), reinterpret_cast<const unsigned char*>(utf8.constData()),
                                 static_cast<size_t>(utf8.size()));

    std::vector<Frame> stack;
    std::optional<YamlNode> root;
    for (;;) {
        Event event;
        if (!yaml_parser_parse(parser.get(), event.get())) {
            setParserError(*parser, text, result);
            return result;
        }
        event.setLive();
        const yaml_event_t& e = *event.get();
        switch (e.type) {
        case YAML_STREAM_END_EVENT:
            result.root = root.value_or(YamlNode::null());
            return result;
        case YAML_DOCUMENT_END_EVENT:
            // Only the first document counts.
            result.root = root.value_or(YamlNode::null());
            return result;
        case YAML_ALIAS_EVENT: {
            YamlNode unreadable;
            unreadable.kind = YamlNode::Kind::Unreadable;
            attach(stack, root, std::move(unreadable));
            break;
        }
        case YAML_SCALAR_EVENT: {
            YamlNode scalar;
            scalar.kind = YamlNode::Kind::Scalar;
            scalar.scalar = fromYaml(e.data.scalar.value, e.data.scalar.length);
            scalar.isPlain = e.data.scalar.plain_implicit != 0;
            attach(stack, root, std::move(scalar));
            break;
        }
        case YAML_SEQUENCE_START_EVENT:
        case YAML_MAPPING_START_EVENT:
            if (static_cast<int>(stack.size()) >= maxDepth) {
                result.problem = QStringLiteral("nesting deeper than %1 levels").arg(maxDepth);
                result.line = static_cast<int>(e.start_mark.line) + 1;
                result.error = result.problem + QStringLiteral(" at line %1").arg(result.line);
                return result;
            }
            stack.push_back(Frame {});
            stack.back().node.kind
                = e.type == YAML_SEQUENCE_START_EVENT ? YamlNode::Kind::Sequence : YamlNode::Kind::Mapping;
            break;
        case YAML_SEQUENCE_END_EVENT:
        case YAML_MAPPING_END_EVENT: {
            YamlNode finished = std::move(stack.back().node);
            stack.pop_back();
            attach(stack, root, std::move(finished));
            break;
        }
        default:
            break;
        }
    }
}

std::optional<QString> Yaml::emit(const YamlNode& root)
{
    Emitter emitter;
    if (!emitter.run(root))
        return std::nullopt;
    return emitter.output();
}

} // namespace kestrion
