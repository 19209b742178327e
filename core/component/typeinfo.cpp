#include "core/component/typeinfo.h"

#include <cctype>
#include <map>
#include <mutex>

namespace vell::tk {

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int TypeInfo::ordinalOf(std::string_view member) const {
    for (size_t i = 0; i < names.size(); ++i)
        if (sameText(names[i], member)) return static_cast<int>(i);
    return -1;
}

TypeInfo makeEnumType(std::string name, std::vector<std::string> names) {
    TypeInfo t;
    t.kind = TypeKind::Enumeration;
    t.name = std::move(name);
    t.names = std::move(names);
    return t;
}

TypeInfo makeSetType(std::string name, const TypeInfo& element) {
    TypeInfo t;
    t.kind = TypeKind::Set;
    t.name = std::move(name);
    t.element = &element;
    return t;
}

namespace {

TypeInfo simpleType(TypeKind kind, std::string name, FloatType ft = FloatType::Double) {
    TypeInfo t;
    t.kind = kind;
    t.name = std::move(name);
    t.floatType = ft;
    return t;
}

struct Registry {
    std::mutex lock;
    std::map<std::string, const ClassInfo*> classes; // lower-case name
};
Registry& registry() {
    static Registry r;
    return r;
}
std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

#define VELL_SIMPLE_TYPE(Fn, ...)                                                                            \
    const TypeInfo& Fn() {                                                                                   \
        static const TypeInfo t = simpleType(__VA_ARGS__);                                                   \
        return t;                                                                                            \
    }
VELL_SIMPLE_TYPE(IntegerType, TypeKind::Integer, "Integer")
VELL_SIMPLE_TYPE(Int64Type, TypeKind::Int64, "Int64")
VELL_SIMPLE_TYPE(CardinalType, TypeKind::Integer, "Cardinal")
VELL_SIMPLE_TYPE(ByteType, TypeKind::Integer, "Byte")
VELL_SIMPLE_TYPE(WideCharType, TypeKind::WChar, "WideChar")
VELL_SIMPLE_TYPE(StringType, TypeKind::String, "string")
VELL_SIMPLE_TYPE(DoubleType, TypeKind::Float, "Double", FloatType::Double)
VELL_SIMPLE_TYPE(SingleType, TypeKind::Float, "Single", FloatType::Single)
VELL_SIMPLE_TYPE(ExtendedType, TypeKind::Float, "Extended", FloatType::Extended)
VELL_SIMPLE_TYPE(CurrencyType, TypeKind::Float, "Currency", FloatType::Currency)
VELL_SIMPLE_TYPE(DateTimeType, TypeKind::Float, "TDateTime", FloatType::Date)
#undef VELL_SIMPLE_TYPE

const TypeInfo& BooleanType() {
    static const TypeInfo t = makeEnumType("Boolean", {"False", "True"});
    return t;
}

bool ClassInfo::inheritsFrom(const ClassInfo& other) const {
    for (const ClassInfo* c = this; c; c = c->parent)
        if (c == &other) return true;
    return false;
}

std::vector<const PropInfo*> ClassInfo::propertyList() const {
    std::vector<const ClassInfo*> chain;
    for (const ClassInfo* c = this; c; c = c->parent)
        chain.push_back(c);
    std::vector<const PropInfo*> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const PropInfo& p : (*it)->properties) {
            // A redeclaration in a descendant replaces the base's entry in place.
            bool replaced = false;
            for (const PropInfo*& q : out)
                if (sameText(q->name, p.name)) {
                    q = &p;
                    replaced = true;
                }
            if (!replaced) out.push_back(&p);
        }
    return out;
}

const PropInfo* ClassInfo::findProperty(std::string_view propName) const {
    for (const ClassInfo* c = this; c; c = c->parent)
        for (const PropInfo& p : c->properties)
            if (sameText(p.name, propName)) return &p;
    return nullptr;
}

const MethodInfo* ClassInfo::findMethod(std::string_view methodName) const {
    for (const ClassInfo* c = this; c; c = c->parent)
        for (const MethodInfo& m : c->methods)
            if (sameText(m.name, methodName)) return &m;
    return nullptr;
}

const FieldInfo* ClassInfo::findField(std::string_view fieldName) const {
    for (const ClassInfo* c = this; c; c = c->parent)
        for (const FieldInfo& f : c->fields)
            if (sameText(f.name, fieldName)) return &f;
    return nullptr;
}

void RegisterClassInfo(const ClassInfo& info) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.classes[lower(info.name)] = &info;
}

void RegisterClasses(std::initializer_list<const ClassInfo*> infos) {
    for (const ClassInfo* c : infos)
        RegisterClassInfo(*c);
}

void UnregisterClassInfo(const ClassInfo& info) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    std::erase_if(r.classes, [&](const auto& entry) { return entry.second == &info; });
}

void UnregisterClasses(std::initializer_list<const ClassInfo*> infos) {
    for (const ClassInfo* c : infos)
        UnregisterClassInfo(*c);
}

void RegisterClassAlias(std::string_view alias, const ClassInfo& info, bool Replace) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    std::string key = lower(alias);
    if (Replace || !r.classes.count(key)) r.classes[key] = &info;
}

const ClassInfo* FindClass(std::string_view name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.classes.find(lower(name));
    return it == r.classes.end() ? nullptr : it->second;
}

const ClassInfo& TObject::StaticClass() {
    static const ClassInfo info = [] {
        ClassInfo c;
        c.name = "TObject";
        return c;
    }();
    return info;
}

const std::string& TObject::ClassName() const {
    return ClassType().name;
}

bool TObject::InheritsFrom(const ClassInfo& c) const {
    return ClassType().inheritsFrom(c);
}

void Free(TObject* object) {
    if (!object) return;
    object->BeforeDestruction();
    delete object;
}

} // namespace vell::tk
