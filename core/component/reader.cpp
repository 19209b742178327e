#include "core/component/reader.h"

#include <limits>

namespace vell::tk {

namespace {

[[noreturn]] void invalidValue() { throw EFilerError("Invalid property value"); }

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

void TReader::ReadRootComponent(std::string_view text) { ReadRootComponent(forms::parseDescription(text)); }

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
    for (TComponent* c : FLoaded) c->ClearState(csReading);
    std::vector<TComponent*> loaded;
    loaded.swap(FLoaded);
    for (TComponent* c : loaded) c->Loaded();
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
            throw EFilerError("Error reading " + (Instance->Name().empty() ? Instance->ClassName() : Instance->Name()) +
                              "." + p.path + " on line " + std::to_string(p.line) + ": " + e.what());
        }
    }
    // Children are placed on the component whose description holds them.
    TComponent* savedParent = FParent;
    FParent = Instance;
    for (const forms::ObjectDescription& child : d->children) ReadComponent(child);
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
        if (!cls || !cls->createComponent) throw EFilerError("Class " + description.className + " not found" + where);
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

void TReader::ReadProperty(TPersistent* Instance, const std::string& Path, const forms::Value& Value) {
    std::vector<std::string> parts = splitPath(Path);
    TPersistent* obj = Instance;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const PropInfo* p = obj->ClassType().findProperty(parts[i]);
        TObject* sub = p && p->getObj ? p->getObj(*obj) : nullptr;
        obj = dynamic_cast<TPersistent*>(sub);
        if (!obj) throw EFilerError("Property " + parts[i] + " does not exist");
    }
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
            for (const forms::PropertyLine& p : item.properties) ReadProperty(it, p.path, p.value.at(0));
        }
    } catch (...) {
        Collection.EndUpdate();
        throw;
    }
    Collection.EndUpdate();
}

void TReader::ReadPropValue(TPersistent* Instance, const PropInfo& Prop, const forms::Value& V) {
    using forms::ValueKind;
    const TypeInfo& t = *Prop.type;
    if (!Prop.hasSetter()) {
        // A nested collection without a setter still takes its items.
        if (t.kind == TypeKind::Class && Prop.getObj && V.kind == ValueKind::Collection)
            if (auto* coll = dynamic_cast<TCollection*>(Prop.getObj(*Instance))) {
                ReadCollection(*coll, V);
                return;
            }
        throw EFilerError("Property " + Prop.name + " is read-only");
    }
    switch (t.kind) {
    case TypeKind::Integer: {
        int64_t n = 0;
        if (V.kind == ValueKind::Ident) {
            if (!t.identToInt || !t.identToInt(V.ident, n)) invalidValue();
        } else if (V.isInteger()) {
            // Unsigned 32-bit types are written in full (colours as $FF00000F).
            if (V.integer < std::numeric_limits<int32_t>::min() || V.integer > std::numeric_limits<uint32_t>::max())
                invalidValue();
            n = V.integer;
        } else {
            invalidValue();
        }
        Prop.setOrd(*Instance, n);
        return;
    }
    case TypeKind::Int64:
        if (!V.isInteger()) invalidValue();
        Prop.setOrd(*Instance, V.integer);
        return;
    case TypeKind::Char:
    case TypeKind::WChar:
        if (V.kind != ValueKind::String || V.text.size() != 1) invalidValue();
        Prop.setOrd(*Instance, V.text[0]);
        return;
    case TypeKind::Enumeration: {
        int ord = -1;
        if (V.kind == ValueKind::Ident) ord = t.ordinalOf(V.ident);
        else if (V.isBoolean()) ord = t.ordinalOf(V.kind == ValueKind::True ? "True" : "False");
        if (ord < 0) invalidValue();
        Prop.setOrd(*Instance, ord);
        return;
    }
    case TypeKind::Float:
        if (!V.isNumber()) invalidValue();
        Prop.setFloat(*Instance, V.asDouble());
        return;
    case TypeKind::String:
        if (V.kind != ValueKind::String) invalidValue();
        Prop.setStr(*Instance, V.text);
        return;
    case TypeKind::Set: {
        if (V.kind != ValueKind::Set) invalidValue();
        uint32_t bits = 0;
        for (const std::string& m : V.set) {
            int ord = t.element ? t.element->ordinalOf(m) : -1;
            if (ord < 0 || ord >= 32) invalidValue();
            bits |= uint32_t{1} << ord;
        }
        Prop.setOrd(*Instance, bits);
        return;
    }
    case TypeKind::Class:
        if (V.kind == ValueKind::Nil || V.kind == ValueKind::Null) {
            if (!Prop.setObj) invalidValue();
            Prop.setObj(*Instance, nullptr);
            return;
        }
        if (V.kind == ValueKind::Ident && t.classInfo && t.classInfo().inheritsFrom(TComponent::StaticClass()) &&
            Prop.setObj) {
            FFixups.push_back({Instance, &Prop, V.ident});
            return;
        }
        if (V.kind == ValueKind::Collection && Prop.getObj)
            if (auto* coll = dynamic_cast<TCollection*>(Prop.getObj(*Instance))) {
                ReadCollection(*coll, V);
                return;
            }
        invalidValue();
    case TypeKind::Method:
        if (V.kind == ValueKind::Nil) {
            Prop.setMethod(*Instance, FRoot, std::string());
            return;
        }
        if (V.kind != ValueKind::Ident) invalidValue();
        if (!Prop.setMethod(*Instance, FRoot, V.ident)) throw EFilerError("Method " + V.ident + " not found");
        return;
    }
}

void TReader::ResolveFixups() {
    for (const Fixup& f : FFixups) {
        std::string name = f.name;
        // "Root.Component" names a component of this root too.
        if (size_t dot = name.find('.'); dot != std::string::npos && sameText(name.substr(0, dot), FRoot->Name()))
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
