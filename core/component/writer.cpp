#include "core/component/writer.h"
#include "core/forms/format.h"

#include <algorithm>
#include <cmath>

namespace vell::tk {

namespace {

// Nested objects and child components go no deeper than the parser reads back; an object
// that returns itself as its own property cannot recurse without end.
constexpr int kMaxDepth = 64;

forms::Value identValue(std::string ident) {
    forms::Value v;
    v.kind = forms::ValueKind::Ident;
    v.ident = std::move(ident);
    return v;
}

forms::Value integerValue(int64_t n) {
    forms::Value v;
    v.kind = forms::ValueKind::Integer;
    v.integer = n;
    return v;
}

forms::PropertyLine makeLine(std::string path, forms::Value value) {
    forms::PropertyLine line;
    line.path = std::move(path);
    line.value.push_back(std::move(value));
    return line;
}

std::optional<forms::Value> ordinalValue(const TypeInfo& t, int64_t n) {
    forms::Value v;
    switch (t.kind) {
    case TypeKind::Integer: {
        std::string ident;
        if (t.intToIdent && t.intToIdent(n, ident)) return identValue(std::move(ident));
        return integerValue(n);
    }
    case TypeKind::Int64:
        return integerValue(n);
    case TypeKind::Char:
    case TypeKind::WChar:
        v.kind = forms::ValueKind::String;
        v.text.assign(1, static_cast<char16_t>(n));
        return v;
    case TypeKind::Enumeration:
        if (n < 0 || n >= static_cast<int64_t>(t.names.size())) return std::nullopt;
        return identValue(t.names[static_cast<size_t>(n)]);
    case TypeKind::Set:
        v.kind = forms::ValueKind::Set;
        for (size_t bit = 0; t.element && bit < t.element->names.size() && bit < 32; ++bit)
            if (n & (int64_t{1} << bit)) v.set.push_back(t.element->names[bit]);
        return v;
    default:
        return std::nullopt;
    }
}

std::optional<forms::Value> floatValue(const TypeInfo& t, double d) {
    // 0 is the default; the others have no text. A currency goes by the value it is written
    // as, whole ten-thousandths: one that writes as "0c" would read back as the default and
    // then not be written at all.
    if (d == 0 || !std::isfinite(d)) return std::nullopt;
    forms::Value v;
    v.number = d;
    switch (t.floatType) {
    case FloatType::Single:
        v.kind = forms::ValueKind::Single;
        break;
    case FloatType::Currency:
        if (std::fabs(d) * 10000.0 < 0.5) return std::nullopt;
        v.kind = forms::ValueKind::Currency;
        break;
    case FloatType::Date:
        v.kind = forms::ValueKind::Date;
        break;
    default:
        v.kind = forms::ValueKind::Extended;
        break;
    }
    return v;
}

} // namespace

TWriter::TWriter(TComponent* Root) : FRoot(Root) {}

forms::ObjectDescription TWriter::WriteDescription() {
    if (!FRoot) return {};
    FRoot->SetState(csWriting);
    try {
        forms::ObjectDescription d = WriteComponent(*FRoot, 0);
        FRoot->ClearState(csWriting);
        return d;
    } catch (...) {
        FRoot->ClearState(csWriting);
        throw;
    }
}

std::string TWriter::WriteRootComponent() {
    return forms::formatDescription(WriteDescription());
}

forms::ObjectDescription TWriter::WriteComponent(TComponent& Component, int Depth) {
    forms::ObjectDescription d;
    d.name = Component.Name();
    d.className = Component.ClassName();
    WriteObject(Component, std::string(), d.properties, 0);
    if (Depth < kMaxDepth)
        Component.GetChildren(
            [&](TComponent* child) { d.children.push_back(WriteComponent(*child, Depth + 1)); }, FRoot);
    return d;
}

void TWriter::WriteProperties(TPersistent& Instance, const std::string& Prefix,
                              std::vector<forms::PropertyLine>& Lines) {
    WriteObject(Instance, Prefix, Lines, 0);
}

void TWriter::WriteObject(TPersistent& Instance, const std::string& Prefix,
                          std::vector<forms::PropertyLine>& Lines, int Depth) {
    // An object met again below itself (a property leading back to an owner) is not
    // written a second time.
    if (std::find(FPath.begin(), FPath.end(), &Instance) != FPath.end()) return;
    FPath.push_back(&Instance);
    struct Pop {
        std::vector<const TObject*>& path;
        ~Pop() { path.pop_back(); }
    } pop{FPath};
    for (const PropInfo* p : Instance.ClassType().propertyList()) {
        if (Depth == 0 && TopLevelFilter && !TopLevelFilter(*p)) continue;
        if (!p->isStored(Instance)) continue;
        const std::string path = Prefix + p->name;
        if (auto v = PropertyValue(Instance, *p, path, Lines, Depth))
            Lines.push_back(makeLine(path, std::move(*v)));
    }
    TFiler filer(FRoot, false);
    Instance.DefineProperties(filer);
    for (const TFiler::Definition& d : filer.Definitions())
        if (d.hasData && d.write) Lines.push_back(makeLine(Prefix + d.name, d.write()));
}

std::optional<forms::Value> TWriter::PropertyValue(TPersistent& Instance, const PropInfo& Prop,
                                                   const std::string& Path,
                                                   std::vector<forms::PropertyLine>& Lines, int Depth) {
    const TypeInfo& t = *Prop.type;
    switch (t.kind) {
    case TypeKind::Float:
        return Prop.getFloat ? floatValue(t, Prop.getFloat(Instance)) : std::nullopt;
    case TypeKind::String: {
        if (!Prop.getStr) return std::nullopt;
        forms::Value v;
        v.kind = forms::ValueKind::String;
        v.text = Prop.getStr(Instance);
        if (v.text.empty()) return std::nullopt;
        return v;
    }
    case TypeKind::Method: {
        std::string name = Prop.getMethod ? Prop.getMethod(Instance) : std::string();
        if (name.empty()) return std::nullopt;
        return identValue(std::move(name));
    }
    case TypeKind::Class:
        break;
    default: {
        if (!Prop.getOrd) return std::nullopt;
        int64_t n = Prop.getOrd(Instance);
        if (Prop.defaultValue && *Prop.defaultValue == n) return std::nullopt;
        return ordinalValue(t, n);
    }
    }
    TObject* obj = Prop.getObj ? Prop.getObj(Instance) : nullptr;
    if (!obj || Depth >= kMaxDepth) return std::nullopt;
    if (auto* coll = dynamic_cast<TCollection*>(obj)) {
        if (coll->Count() == 0) return std::nullopt;
        if (FlattenCollections) {
            for (int i = 0; i < coll->Count(); ++i)
                WriteObject(*coll->Items(i), Path + "[" + std::to_string(i) + "].", Lines, Depth + 1);
            return std::nullopt;
        }
        forms::Value v;
        v.kind = forms::ValueKind::Collection;
        for (int i = 0; i < coll->Count(); ++i) {
            forms::CollectionItem item;
            WriteObject(*coll->Items(i), std::string(), item.properties, Depth + 1);
            v.items.push_back(std::move(item));
        }
        return v;
    }
    auto* component = dynamic_cast<TComponent*>(obj);
    if (component && !(component->ComponentStyle() & csSubComponent)) {
        std::string name = ReferenceName(*component);
        if (name.empty()) return std::nullopt;
        return identValue(std::move(name));
    }
    if (auto* nested = dynamic_cast<TPersistent*>(obj)) WriteObject(*nested, Path + ".", Lines, Depth + 1);
    return std::nullopt;
}

std::string TWriter::ReferenceName(const TComponent& Component) const {
    if (Component.Name().empty()) return std::string();
    if (&Component == FRoot || Component.Owner() == FRoot || !Component.Owner()) return Component.Name();
    if (Component.Owner()->Name().empty()) return std::string();
    return Component.Owner()->Name() + "." + Component.Name();
}

std::string WritePropertyLines(TPersistent& Instance, TComponent* Root) {
    TWriter writer(Root);
    writer.FlattenCollections = true;
    std::vector<forms::PropertyLine> lines;
    writer.WriteProperties(Instance, std::string(), lines);
    std::string out;
    for (const forms::PropertyLine& l : lines)
        out += l.path + "=" + forms::formatValue(l.value.front(), forms::TextLayout::SkinLine) + "\r\n";
    return out;
}

} // namespace vell::tk
