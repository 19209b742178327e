#include "core/component/reader.h"

#include "core/text/utf.h"

#include <limits>

namespace vell::tk {

namespace {

[[noreturn]] void invalidValue() {
    throw EFilerError("Invalid property value");
}

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '.') {
            parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    return parts;
}

} // namespace

TReader::TReader(TComponent* Root) : FRoot(Root), FOwner(Root) {}

void TReader::ReadRootComponent(std::string_view text) {
    ReadRootComponent(forms::parseDescription(text));
}

void TReader::ReadRootComponent(const forms::ObjectDescription& description) {
    FRoot->SetState(csLoading | csReading);
    FLoaded.assign(1, FRoot);
    FFixups.clear();
    FParent = nullptr;
    try {
        if (FRoot->Name().empty() && !description.name.empty()) {
            // A second form of the same class under the same owner gets a numbered name.
            for (int n = 0;; ++n) {
                try {
                    FRoot->SetName(n == 0 ? description.name : description.name + "_" + std::to_string(n));
                    break;
                } catch (const EComponentError&) {
                    if (n > 1000) throw;
                }
            }
        }
        FCurrent = &description;
        FRoot->ReadState(*this);
        ResolveFixups();
    } catch (...) {
        // Undo: free what was created, newest first (children before their containers).
        for (size_t i = FLoaded.size(); i-- > 1;) {
            TComponent* c = FLoaded[i];
            try {
                c->BeforeDestruction();
            } catch (...) {
            }
            delete c;
        }
        FLoaded.clear();
        FRoot->ClearState(csLoading | csReading);
        throw;
    }
    for (TComponent* c : FLoaded)
        c->ClearState(csReading);
    std::vector<TComponent*> loaded;
    loaded.swap(FLoaded);
    for (TComponent* c : loaded)
        c->Loaded();
}

void TReader::ReadData(TComponent* Instance) {
    const forms::ObjectDescription* d = FCurrent;
    if (!d) return;
    for (const forms::PropertyLine& p : d->properties) {
        try {
            ReadProperty(Instance, p.path, p.value.at(0));
        } catch (const forms::ParseError&) {
            throw;
        } catch (const std::exception& e) {
            throw EFilerError("Error reading " +
                              (Instance->Name().empty() ? Instance->ClassName() : Instance->Name()) + "." +
                              p.path + " on line " + std::to_string(p.line) + ": " + e.what());
        }
    }
    // Children are placed on the component whose description holds them.
    TComponent* savedParent = FParent;
    FParent = Instance;
    for (const forms::ObjectDescription& child : d->children)
        ReadComponent(child);
    FParent = savedParent;
    FCurrent = d;
}

TComponent* TReader::ReadComponent(const forms::ObjectDescription& description) {
    const std::string where = " on line " + std::to_string(description.line);
    TComponent* c = nullptr;
    if (description.inherited) {
        c = FOwner->FindComponent(description.name);
        if (!c) throw EFilerError("Ancestor for '" + description.name + "' not found" + where);
    } else {
        const ClassInfo* cls = FindClass(description.className);
        if (!cls || !cls->createComponent)
            throw EFilerError("Class " + description.className + " not found" + where);
        c = cls->createComponent(FOwner);
        FLoaded.push_back(c);
    }
    c->SetState(csLoading | csReading);
    try {
        c->SetName(description.name);
    } catch (const std::exception& e) {
        throw EFilerError(std::string(e.what()) + where);
    }
    const forms::ObjectDescription* saved = FCurrent;
    FCurrent = &description;
    c->ReadState(*this);
    FCurrent = saved;
    return c;
}

namespace {

// "Items[2]" -> Items and 2; a part without a well-formed index keeps its whole text.
std::string partName(const std::string& part, int& index) {
    index = -1;
    size_t open = part.find('[');
    if (open == std::string::npos || part.back() != ']' || open == 0) return part;
    std::string digits = part.substr(open + 1, part.size() - open - 2);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return part;
    index = std::stoi(digits);
    return part.substr(0, open);
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Decimal, $hex or 0x hex, in the range integer properties take (unsigned 32-bit values
// such as colours are written in full).
bool parseNativeInteger(std::string_view s, int64_t& out) {
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.remove_prefix(1);
    int base = 10;
    if (!s.empty() && s[0] == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s.size() > 16) return false;
    uint64_t n = 0;
    for (char c : s) {
        int d = c >= '0' && c <= '9'                 ? c - '0'
                : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
        if (d < 0) return false;
        n = n * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (n > std::numeric_limits<uint32_t>::max() + uint64_t{1}) return false;
    }
    int64_t v = negative ? -static_cast<int64_t>(n) : static_cast<int64_t>(n);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<uint32_t>::max()) return false;
    out = v;
    return true;
}

} // namespace

TPersistent* TReader::FollowPath(TPersistent* Instance, const std::vector<std::string>& Parts,
                                 std::string& Why) {
    TPersistent* obj = Instance;
    for (size_t i = 0; i + 1 < Parts.size(); ++i) {
        int index = -1;
        std::string name = partName(Parts[i], index);
        const PropInfo* p = obj->ClassType().findProperty(name);
        auto* sub = dynamic_cast<TPersistent*>(p && p->getObj ? p->getObj(*obj) : nullptr);
        if (sub && index >= 0) {
            auto* coll = dynamic_cast<TCollection*>(sub);
            if (coll && index >= coll->Count()) {
                Why = "List index out of bounds (" + std::to_string(index) + ")";
                return nullptr;
            }
            sub = coll ? coll->Items(index) : nullptr;
        }
        if (!sub) {
            Why = "Property " + Parts[i] + " does not exist";
            return nullptr;
        }
        obj = sub;
    }
    return obj;
}

void TReader::ReadProperty(TPersistent* Instance, const std::string& Path, const forms::Value& Value) {
    std::vector<std::string> parts = splitPath(Path);
    std::string why;
    TPersistent* obj = FollowPath(Instance, parts, why);
    if (!obj) throw EFilerError(why);
    const std::string& last = parts.back();
    if (const PropInfo* p = obj->ClassType().findProperty(last)) {
        ReadPropValue(obj, *p, Value);
        return;
    }
    if (ReadDefinedProperty(*obj, last, Value, FRoot)) return;
    throw EFilerError("Property " + last + " does not exist");
}

bool TReader::ReadDefinedProperty(TPersistent& Instance, std::string_view Name, const forms::Value& Value,
                                  TComponent* Root) {
    TFiler filer(Root, true);
    Instance.DefineProperties(filer);
    const TFiler::Definition* d = filer.Find(Name);
    if (!d || !d->read) return false;
    d->read(Value);
    return true;
}

void TReader::ReadCollection(TCollection& Collection, const forms::Value& Value) {
    if (Value.kind != forms::ValueKind::Collection) invalidValue();
    Collection.BeginUpdate();
    try {
        Collection.Clear();
        for (const forms::CollectionItem& item : Value.items) {
            TCollectionItem* it = Collection.Add();
            for (const forms::PropertyLine& p : item.properties)
                ReadProperty(it, p.path, p.value.at(0));
        }
    } catch (...) {
        Collection.EndUpdate();
        throw;
    }
    Collection.EndUpdate();
}

void TReader::ReadPropValue(TPersistent* Instance, const PropInfo& Prop, const forms::Value& V) {
    if (auto why = AssignLiteral(Instance, Prop, V)) throw EFilerError(*why);
}

std::optional<std::string> TReader::AssignLiteral(TPersistent* Instance, const PropInfo& Prop,
                                                  const forms::Value& V) {
    using forms::ValueKind;
    const std::string invalid = "Invalid property value";
    const TypeInfo& t = *Prop.type;
    if (!Prop.hasSetter()) {
        // A nested collection without a setter still takes its items.
        if (t.kind == TypeKind::Class && Prop.getObj && V.kind == ValueKind::Collection)
            if (auto* coll = dynamic_cast<TCollection*>(Prop.getObj(*Instance))) {
                ReadCollection(*coll, V);
                return std::nullopt;
            }
        return "Property " + Prop.name + " is read-only";
    }
    switch (t.kind) {
    case TypeKind::Integer: {
        int64_t n = 0;
        if (V.kind == ValueKind::Ident) {
            if (!t.identToInt || !t.identToInt(V.ident, n)) return invalid;
        } else if (V.isInteger()) {
            // Unsigned 32-bit types are written in full (colours as $FF00000F).
            if (V.integer < std::numeric_limits<int32_t>::min() ||
                V.integer > std::numeric_limits<uint32_t>::max())
                return invalid;
            n = V.integer;
        } else {
            return invalid;
        }
        Prop.setOrd(*Instance, n);
        return std::nullopt;
    }
    case TypeKind::Int64:
        if (!V.isInteger()) return invalid;
        Prop.setOrd(*Instance, V.integer);
        return std::nullopt;
    case TypeKind::Char:
    case TypeKind::WChar:
        if (V.kind != ValueKind::String || V.text.size() != 1) return invalid;
        Prop.setOrd(*Instance, V.text[0]);
        return std::nullopt;
    case TypeKind::Enumeration: {
        int ord = -1;
        if (V.kind == ValueKind::Ident)
            ord = t.ordinalOf(V.ident);
        else if (V.isBoolean())
            ord = t.ordinalOf(V.kind == ValueKind::True ? "True" : "False");
        if (ord < 0) return invalid;
        Prop.setOrd(*Instance, ord);
        return std::nullopt;
    }
    case TypeKind::Float:
        if (!V.isNumber()) return invalid;
        Prop.setFloat(*Instance, V.asDouble());
        return std::nullopt;
    case TypeKind::String:
        if (V.kind != ValueKind::String) return invalid;
        Prop.setStr(*Instance, V.text);
        return std::nullopt;
    case TypeKind::Set: {
        if (V.kind != ValueKind::Set) return invalid;
        uint32_t bits = 0;
        for (const std::string& m : V.set) {
            int ord = t.element ? t.element->ordinalOf(m) : -1;
            if (ord < 0 || ord >= 32) return invalid;
            bits |= uint32_t{1} << ord;
        }
        Prop.setOrd(*Instance, bits);
        return std::nullopt;
    }
    case TypeKind::Class:
        if (V.kind == ValueKind::Nil || V.kind == ValueKind::Null) {
            if (!Prop.setObj) return invalid;
            Prop.setObj(*Instance, nullptr);
            return std::nullopt;
        }
        if (V.kind == ValueKind::Ident && t.classInfo &&
            t.classInfo().inheritsFrom(TComponent::StaticClass()) && Prop.setObj) {
            FFixups.push_back({Instance, &Prop, V.ident});
            return std::nullopt;
        }
        if (V.kind == ValueKind::Collection && Prop.getObj)
            if (auto* coll = dynamic_cast<TCollection*>(Prop.getObj(*Instance))) {
                ReadCollection(*coll, V);
                return std::nullopt;
            }
        return invalid;
    case TypeKind::Method:
        if (!Prop.setMethod) return invalid;
        if (V.kind == ValueKind::Nil) {
            Prop.setMethod(*Instance, FRoot, std::string());
            return std::nullopt;
        }
        if (V.kind != ValueKind::Ident) return invalid;
        if (!Prop.setMethod(*Instance, FRoot, V.ident)) return "Method " + V.ident + " not found";
        return std::nullopt;
    }
    return invalid;
}

std::optional<std::string> TReader::AssignNative(TPersistent* Instance, const PropInfo& Prop,
                                                 std::string_view Text, const std::string& Line) {
    const TypeInfo& t = *Prop.type;
    switch (t.kind) {
    case TypeKind::Integer: {
        int64_t n = 0;
        std::string_view s = trimBlanks(Text);
        if (!parseNativeInteger(s, n) && !(t.identToInt && t.identToInt(s, n)))
            return "Invalid Ident value: " + Line;
        Prop.setOrd(*Instance, n);
        return std::nullopt;
    }
    case TypeKind::Int64: {
        // Text that is no whole number changes nothing.
        try {
            forms::Value v = forms::parseValue(Text);
            if (v.isInteger()) Prop.setOrd(*Instance, v.integer);
        } catch (const forms::ParseError&) {
        }
        return std::nullopt;
    }
    case TypeKind::Char:
    case TypeKind::WChar: {
        std::u16string s = text::utf8ToUtf16(Text);
        if (!s.empty()) Prop.setOrd(*Instance, s[0]); // an empty value has no character to take
        return std::nullopt;
    }
    case TypeKind::Enumeration: {
        int ord = t.ordinalOf(trimBlanks(Text));
        if (ord < 0) return "Invalid property value";
        Prop.setOrd(*Instance, ord);
        return std::nullopt;
    }
    case TypeKind::Float: {
        // Text that is no number changes nothing.
        try {
            forms::Value v = forms::parseValue(Text);
            if (v.isNumber()) Prop.setFloat(*Instance, v.asDouble());
        } catch (const forms::ParseError&) {
        }
        return std::nullopt;
    }
    case TypeKind::String:
        Prop.setStr(*Instance, text::utf8ToUtf16(Text));
        return std::nullopt;
    case TypeKind::Set: {
        uint32_t bits = 0;
        std::string_view rest = Text;
        while (!rest.empty()) {
            size_t comma = rest.find(',');
            std::string_view name = trimBlanks(rest.substr(0, comma));
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            if (name.empty()) continue;
            int ord = t.element ? t.element->ordinalOf(name) : -1;
            if (ord < 0 || ord >= 32) return "Invalid property element: " + std::string(name);
            bits |= uint32_t{1} << ord;
        }
        Prop.setOrd(*Instance, bits);
        return std::nullopt;
    }
    case TypeKind::Class: {
        // An empty value clears the object, except a collection; other text changes nothing.
        if (!Text.empty() || !Prop.setObj) return std::nullopt;
        if (Prop.getObj && dynamic_cast<TCollection*>(Prop.getObj(*Instance))) return std::nullopt;
        Prop.setObj(*Instance, nullptr);
        return std::nullopt;
    }
    case TypeKind::Method:
        return std::nullopt;
    }
    return std::nullopt;
}

void TReader::ReadSkinLine(TPersistent* Instance, std::string_view Path, std::string_view Value,
                           TSkinMode Mode) {
    if (!Instance || Path.empty()) return;
    const std::string line = std::string(Path) + "=" + std::string(Value);
    try {
        if (SkinPathIgnored(Path)) return;
        std::vector<std::string> parts = splitPath(std::string(Path));
        TPersistent* obj = Instance;
        std::string sofar;
        // Every part but the last names an object (a collection with an index selects
        // one of its items); a part that names nothing sends the rest of the path to the
        // object's defined properties.
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            int index = -1;
            std::string name = partName(parts[i], index);
            sofar += (i ? "." : "") + parts[i];
            if ((index >= 0 && SkinPathIgnored(name)) || SkinPathIgnored(sofar)) return;
            const PropInfo* p = obj->ClassType().findProperty(name);
            if (!p) {
                std::string rest = std::string(Path).substr(sofar.size() - parts[i].size());
                ReadSkinDefined(obj, rest, Value, forms::isLiteralStart(Value));
                return;
            }
            auto* sub = dynamic_cast<TPersistent*>(p->getObj ? p->getObj(*obj) : nullptr);
            if (!sub) return;
            if (index >= 0) {
                auto* coll = dynamic_cast<TCollection*>(sub);
                if (!coll || index >= coll->Count()) return;
                sub = coll->Items(index);
            }
            obj = sub;
        }
        const std::string& last = parts.back();
        const bool literal = forms::isLiteralStart(Value);
        std::optional<std::string> error;
        if (const PropInfo* p = obj->ClassType().findProperty(last)) {
            if (literal) {
                forms::Value v = forms::parseValue(Value);
                // Read-only properties are passed over, except collections given their items.
                if (!p->hasSetter() && v.kind != forms::ValueKind::Collection) return;
                error = AssignLiteral(obj, *p, v);
            } else if (p->hasSetter()) {
                error = AssignNative(obj, *p, Value, line);
            } else {
                return;
            }
            if (error) throw EFilerError(*error);
            SkinValueRead(obj, last, true);
            return;
        }
        if (!SkinValueAllowed(obj, last)) return;
        if (ReadSkinDefined(obj, last, Value, literal)) SkinValueRead(obj, last, false);
    } catch (const forms::ParseError&) {
        if (Mode == TSkinMode::Raise) throw;
    } catch (const EFilerError&) {
        if (Mode == TSkinMode::Raise) throw;
    } catch (const EConvertError&) { // a setter refusing the value, as a list refuses no object
        if (Mode == TSkinMode::Raise) throw;
    }
}

bool TReader::ReadSkinDefined(TPersistent* Instance, std::string_view Name, std::string_view Value,
                              bool Literal) {
    // A native value offers its first value: an identifier, a number, a string...
    TFiler filer(FRoot, true);
    Instance->DefineProperties(filer);
    const TFiler::Definition* d = filer.Find(Name);
    if (!d || !d->read) return false;
    d->read(forms::parseValue(Value, Literal));
    return true;
}

void TReader::ReadSkinLines(TPersistent* Instance, std::string_view Text, TSkinMode Mode) {
    while (!Text.empty()) {
        size_t end = Text.find_first_of("\r\n");
        std::string_view line = Text.substr(0, end);
        Text = end == std::string_view::npos ? std::string_view() : Text.substr(end + 1);
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        ReadSkinLine(Instance, trimBlanks(line.substr(0, eq)), line.substr(eq + 1), Mode);
    }
}

void TReader::ResolveFixups() {
    for (const Fixup& f : FFixups) {
        std::string name = f.name;
        // "Root.Component" names a component of this root too.
        if (size_t dot = name.find('.');
            dot != std::string::npos && sameText(name.substr(0, dot), FRoot->Name()))
            name = name.substr(dot + 1);
        TComponent* c = sameText(name, FRoot->Name()) ? FRoot : FRoot->FindComponent(name);
        if (!c) throw EFilerError("Component " + f.name + " not found (property " + f.prop->name + ")");
        if (f.prop->type->classInfo && !c->InheritsFrom(f.prop->type->classInfo()))
            throw EFilerError("Component " + f.name + " does not suit property " + f.prop->name);
        f.prop->setObj(*f.instance, c);
    }
    FFixups.clear();
}

} // namespace vell::tk
