#include "core/forms/description.h"
#include "core/forms/parser.h"

namespace vell::forms {

namespace {

// Objects nest no deeper than this; hostile text cannot exhaust the stack.
constexpr int kMaxObjectDepth = 64;

ObjectDescription parseObject(LiteralParser& p, int depth) {
    if (depth > kMaxObjectDepth) p.fail("Object nesting too deep");
    ObjectDescription obj;
    p.skipBlanks();
    obj.line = p.line();
    if (p.nextWordIs("inherited") || p.nextWordIs("inline")) {
        obj.inherited = true;
    } else if (!p.nextWordIs("object")) {
        p.fail("object expected");
    }
    p.identifier();
    p.skipBlanks();
    std::string first = p.identifier();
    if (p.accept(':')) {
        p.skipBlanks();
        obj.name = std::move(first);
        obj.className = p.identifier();
    } else {
        obj.className = std::move(first);
    }
    if (p.accept('[')) { // creation order index of inherited children: not needed here
        p.skipBlanks();
        Value n = p.value();
        if (!n.isInteger()) p.fail("Number expected");
        p.expect(']');
    }
    for (;;) {
        p.skipBlanks();
        if (p.atEnd()) p.fail("end expected");
        if (p.nextWordIs("end")) {
            p.identifier();
            return obj;
        }
        if (p.nextWordIs("object") || p.nextWordIs("inherited") || p.nextWordIs("inline")) {
            obj.children.push_back(parseObject(p, depth + 1));
            continue;
        }
        PropertyLine prop;
        prop.line = p.line();
        prop.path = p.propertyPath();
        p.expect('=');
        prop.value.push_back(p.value());
        obj.properties.push_back(std::move(prop));
    }
}

} // namespace

ObjectDescription parseDescription(std::string_view text) {
    LiteralParser p(text);
    ObjectDescription root = parseObject(p, 0);
    p.skipBlanks();
    if (!p.atEnd()) p.fail("end of description expected");
    return root;
}

} // namespace vell::forms
