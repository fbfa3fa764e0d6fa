// Recursive-descent parser over the preprocessed token stream of a resource script.
#include "hostkit/rc/rc_parser.h"

#include <set>

#include "hostkit/rc/rc_constants.h"

namespace zefrc {
namespace {

constexpr uint32_t kWsChild = 0x40000000, kWsVisible = 0x10000000, kWsPopup = 0x80000000;
constexpr uint32_t kWsBorder = 0x00800000, kWsSysMenu = 0x00080000, kWsCaption = 0x00C00000;
constexpr uint32_t kWsGroup = 0x00020000, kWsTabStop = 0x00010000, kDsSetFont = 0x40;

// A short control statement: its class, implied style, and whether it has a text.
struct ShortForm {
    const char* keyword;
    const char* className;
    uint32_t style;
    bool hasText;
};

constexpr ShortForm kShortForms[] = {
    {"LTEXT", "Static", 0x0 | kWsGroup, true},
    {"RTEXT", "Static", 0x2 | kWsGroup, true},
    {"CTEXT", "Static", 0x1 | kWsGroup, true},
    {"PUSHBUTTON", "Button", 0x0 | kWsTabStop, true},
    {"DEFPUSHBUTTON", "Button", 0x1 | kWsTabStop, true},
    {"CHECKBOX", "Button", 0x2 | kWsTabStop, true},
    {"AUTOCHECKBOX", "Button", 0x3 | kWsTabStop, true},
    {"RADIOBUTTON", "Button", 0x4 | kWsTabStop, true},
    {"AUTORADIOBUTTON", "Button", 0x9 | kWsTabStop, true},
    {"GROUPBOX", "Button", 0x7, true},
    {"EDITTEXT", "Edit", 0x0 | kWsBorder | kWsTabStop, false},
};

// Predefined class names written as keywords in CONTROL statements.
const char* predefinedClass(const std::string& name) {
    static const char* const kClasses[] = {"Button",  "Edit",     "Static",
                                           "ListBox", "ComboBox", "ScrollBar"};
    for (const char* c : kClasses) {
        std::string upper;
        for (const char* p = c; *p; ++p) upper += (char)std::toupper((unsigned char)*p);
        if (upper == name) return c;
    }
    return nullptr;
}

bool isMemoryOption(const std::string& s) {
    static const std::set<std::string> kOptions = {"DISCARDABLE", "PRELOAD", "LOADONCALL",
                                                   "MOVEABLE",    "FIXED",   "PURE",
                                                   "IMPURE",      "SHARED",  "NONSHARED"};
    return kOptions.count(s) != 0;
}

class Parser {
  public:
    explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    RcFile parse() {
        RcFile file;
        std::set<int> dialogIds;
        std::set<std::string> dialogNames;
        std::set<unsigned> stringIds;
        while (peek().kind != TokenKind::End) {
            if (isWord("LANGUAGE")) {
                next();
                number();
                expectPunct(',');
                number();
            } else if (isWord("STRINGTABLE")) {
                next();
                parseStringTable(file, stringIds);
            } else {
                parseNamedResource(file, dialogIds, dialogNames);
            }
        }
        return file;
    }

  private:
    std::vector<Token> tokens_;
    size_t pos_ = 0;

    const Token& peek() const { return tokens_[pos_]; }
    const Token& next() {
        const Token& t = tokens_[pos_];
        if (t.kind != TokenKind::End) ++pos_;
        return t;
    }
    [[noreturn]] void fail(const Token& at, const std::string& message) const {
        throw FileError{at.file, at.line, message};
    }
    static std::string describe(const Token& t) {
        switch (t.kind) {
        case TokenKind::End:
            return "end of file";
        case TokenKind::String:
            return "string \"" + t.text + "\"";
        default:
            return "'" + t.text + "'";
        }
    }
    bool isWord(const char* word) const {
        return peek().kind == TokenKind::Identifier && peek().text == word;
    }
    bool isPunct(char c) const { return peek().kind == TokenKind::Punct && peek().text[0] == c; }
    void expectPunct(char c) {
        if (!isPunct(c))
            fail(peek(), std::string("expected '") + c + "' but found " + describe(peek()));
        next();
    }
    bool skipComma() {
        if (!isPunct(',')) return false;
        next();
        return true;
    }
    bool isBegin() const { return isWord("BEGIN") || isPunct('{'); }
    bool isEnd() const { return isWord("END") || isPunct('}'); }
    void expectBegin() {
        if (!isBegin()) fail(peek(), "expected BEGIN but found " + describe(peek()));
        next();
    }
    std::string string(const char* what) {
        if (peek().kind != TokenKind::String)
            fail(peek(), std::string("expected ") + what + " but found " + describe(peek()));
        return next().text;
    }

    // primary := number | constant | '-' primary | '~' primary | '(' expr ')'
    int64_t primary() {
        const Token& t = peek();
        if (t.kind == TokenKind::Number) return next().number;
        if (t.kind == TokenKind::Identifier) {
            auto value = knownConstant(t.text);
            if (!value) fail(t, "unknown name '" + t.text + "'");
            next();
            return *value;
        }
        if (isPunct('-')) {
            next();
            return -primary();
        }
        if (isPunct('~')) {
            next();
            return ~primary();
        }
        if (isPunct('(')) {
            next();
            int64_t v = expression();
            expectPunct(')');
            return v;
        }
        fail(t, "expected a number but found " + describe(t));
    }
    int64_t expression() {
        int64_t v = primary();
        while (isPunct('|') || isPunct('+')) {
            bool orOp = next().text[0] == '|';
            int64_t rhs = primary();
            v = orOp ? (v | rhs) : (v + rhs);
        }
        return v;
    }
    int number() { return (int)expression(); }
    // A control id: a WORD in DIALOG templates, so -1 becomes 0xFFFF; a DWORD in
    // DIALOGEX templates, so -1 stays 0xFFFFFFFF there, as Windows stores it.
    int controlId() {
        int64_t id = expression();
        return extended_ ? (int)(uint32_t)id : (int)(id & 0xFFFF);
    }
    bool extended_ = false; // inside a DIALOGEX template

    // style := ['NOT'] primary { '|' ['NOT'] primary }, starting from implied bits.
    uint32_t style(uint32_t implied) {
        uint32_t value = implied;
        for (;;) {
            bool clear = false;
            if (isWord("NOT")) {
                next();
                clear = true;
            }
            uint32_t bits = (uint32_t)primary();
            value = clear ? (value & ~bits) : (value | bits);
            if (!isPunct('|')) return value;
            next();
        }
    }

    void parseStringTable(RcFile& file, std::set<unsigned>& ids) {
        while (peek().kind == TokenKind::Identifier && isMemoryOption(peek().text)) next();
        expectBegin();
        while (!isEnd()) {
            if (peek().kind == TokenKind::End) fail(peek(), "STRINGTABLE without END");
            const Token& at = peek();
            RcString entry;
            entry.id = (unsigned)(expression() & 0xFFFF);
            skipComma();
            entry.text = string("a string");
            if (!ids.insert(entry.id).second)
                fail(at, "string " + std::to_string(entry.id) + " defined twice");
            file.strings.push_back(std::move(entry));
        }
        next();
    }

    void parseNamedResource(RcFile& file, std::set<int>& ids, std::set<std::string>& names) {
        const Token& nameToken = next();
        RcDialog dialog;
        if (nameToken.kind == TokenKind::Number)
            dialog.id = (int)(nameToken.number & 0xFFFF);
        else if (nameToken.kind == TokenKind::Identifier || nameToken.kind == TokenKind::String)
            dialog.name = nameToken.text;
        else
            fail(nameToken, "expected a resource name but found " + describe(nameToken));
        const Token& type = next();
        if (type.kind != TokenKind::Identifier ||
            (type.text != "DIALOG" && type.text != "DIALOGEX"))
            fail(type, "unsupported resource type " + describe(type));
        bool extended = type.text == "DIALOGEX";
        if (dialog.id >= 0 ? !ids.insert(dialog.id).second : !names.insert(dialog.name).second)
            fail(nameToken, "dialog " + nameToken.text + " defined twice");
        extended_ = extended;
        parseDialog(dialog, extended);
        file.dialogs.push_back(std::move(dialog));
    }

    void parseDialog(RcDialog& dialog, bool extended) {
        while (peek().kind == TokenKind::Identifier && isMemoryOption(peek().text)) next();
        dialog.x = number();
        expectPunct(',');
        dialog.y = number();
        expectPunct(',');
        dialog.cx = number();
        expectPunct(',');
        dialog.cy = number();
        if (extended && skipComma()) number(); // help id
        bool hasStyle = false;
        uint32_t extra = 0;
        while (!isBegin()) {
            const Token& option = next();
            if (option.kind != TokenKind::Identifier)
                fail(option, "expected a dialog option or BEGIN but found " + describe(option));
            if (option.text == "STYLE") {
                dialog.style = style(0);
                hasStyle = true;
            } else if (option.text == "EXSTYLE") {
                dialog.exStyle = style(0);
            } else if (option.text == "CAPTION") {
                dialog.caption = string("a caption");
                extra |= kWsCaption;
            } else if (option.text == "FONT") {
                dialog.fontSize = number();
                expectPunct(',');
                dialog.fontFace = string("a font name");
                for (int i = 0; i < 3 && skipComma(); ++i) number(); // weight, italic, charset
                extra |= kDsSetFont;
            } else if (option.text == "LANGUAGE") {
                number();
                expectPunct(',');
                number();
            } else if (option.text == "CHARACTERISTICS" || option.text == "VERSION") {
                number();
            } else if (option.text == "MENU" || option.text == "CLASS") {
                fail(option, option.text + " is not supported in dialogs");
            } else {
                fail(option, "unknown dialog option '" + option.text + "'");
            }
        }
        next();
        dialog.style = (hasStyle ? dialog.style : (kWsPopup | kWsBorder | kWsSysMenu)) | extra;
        while (!isEnd()) {
            if (peek().kind == TokenKind::End) fail(peek(), "dialog without END");
            dialog.controls.push_back(parseControl());
        }
        next();
    }

    RcControl parseControl() {
        const Token& keyword = next();
        if (keyword.kind != TokenKind::Identifier)
            fail(keyword, "expected a control statement but found " + describe(keyword));
        if (keyword.text == "CONTROL") return parseGenericControl();
        for (const ShortForm& form : kShortForms)
            if (keyword.text == form.keyword) return parseShortControl(form);
        fail(keyword, "unsupported control statement '" + keyword.text + "'");
    }

    void parseRectangle(RcControl& c) {
        c.x = number();
        expectPunct(',');
        c.y = number();
        expectPunct(',');
        c.cx = number();
        expectPunct(',');
        c.cy = number();
    }

    // CONTROL text, id, class, style, x, y, cx, cy [, exstyle [, helpid]]
    RcControl parseGenericControl() {
        RcControl c;
        c.text = string("the control text");
        expectPunct(',');
        c.id = controlId();
        expectPunct(',');
        if (peek().kind == TokenKind::String) {
            c.className = next().text;
        } else if (peek().kind == TokenKind::Identifier && predefinedClass(peek().text)) {
            c.className = predefinedClass(next().text);
        } else {
            fail(peek(), "expected a window class but found " + describe(peek()));
        }
        expectPunct(',');
        c.style = style(kWsChild | kWsVisible);
        expectPunct(',');
        parseRectangle(c);
        if (skipComma()) c.exStyle = style(0);
        if (skipComma()) number();
        return c;
    }

    // KEYWORD [text,] id, x, y, cx, cy [, style [, exstyle]]
    RcControl parseShortControl(const ShortForm& form) {
        RcControl c;
        c.className = form.className;
        if (form.hasText) {
            c.text = string("the control text");
            expectPunct(',');
        }
        c.id = controlId();
        expectPunct(',');
        parseRectangle(c);
        c.style = kWsChild | kWsVisible | form.style;
        if (skipComma()) c.style = style(c.style);
        if (skipComma()) c.exStyle = style(0);
        return c;
    }
};

template <class Tokenize> ParseResult run(Tokenize tokenize) {
    ParseResult result;
    try {
        Parser parser(tokenize());
        result.file = parser.parse();
    } catch (const FileError& e) {
        result.error = e;
    }
    return result;
}

} // namespace

ParseResult parseRcFile(const std::string& path) {
    return run([&] { return tokenizeFile(path); });
}

ParseResult parseRcText(const std::string& text, const std::string& fileName,
                        const std::string& baseDir) {
    return run([&] { return tokenizeText(text, fileName, baseDir); });
}

} // namespace zefrc
