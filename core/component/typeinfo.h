// Run-time type information of the component model: every class declares its published
// properties in order, with kind, getter, setter, default and stored test, and the methods
// that form descriptions may bind events to by name.
//
//   const ClassInfo& TMyControl::StaticClass() {
//       static const ClassInfo info = ClassBuilder<TMyControl>("TMyControl", &TControl::StaticClass())
//           .ord("Count", IntegerType(), &TMyControl::Count, &TMyControl::SetCount, 0)
//           .str("Text", &TMyControl::Text, &TMyControl::SetText)
//           .build();
//       return info;
//   }
#pragma once
#include <any>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <vector>

namespace vell::tk {

class TObject;
class TComponent;
struct ClassInfo;

enum class TypeKind { Integer, Int64, Char, WChar, Enumeration, Float, String, Set, Class, Method };
enum class FloatType { Single, Double, Extended, Currency, Date };

struct TypeInfo {
    TypeKind kind = TypeKind::Integer;
    std::string name;
    // Enumeration: member names by ordinal (from 0).
    std::vector<std::string> names;
    // Set: the member enumeration; bit n of the value is member n.
    const TypeInfo* element = nullptr;
    // Integer: identifiers of the type (colour names, cursor names); either may be null.
    bool (*identToInt)(std::string_view ident, int64_t& value) = nullptr;
    bool (*intToIdent)(int64_t value, std::string& ident) = nullptr;
    FloatType floatType = FloatType::Double;
    // Class: the property's declared class (a function, so that a class can have
    // properties of its own type).
    const ClassInfo& (*classInfo)() = nullptr;
    // Method: the event's parameter list.
    std::type_index signature = typeid(void);

    // The ordinal of an enumeration member, compared without case; -1 when there is none.
    int ordinalOf(std::string_view member) const;
};

TypeInfo makeEnumType(std::string name, std::vector<std::string> names);
TypeInfo makeSetType(std::string name, const TypeInfo& element);

// The type of an object property whose declared class is T.
template <class T> const TypeInfo& ClassTypeOf() {
    static const TypeInfo t = [] {
        TypeInfo i;
        i.kind = TypeKind::Class;
        i.name = "class";
        i.classInfo = &T::StaticClass;
        return i;
    }();
    return t;
}

const TypeInfo& IntegerType();
const TypeInfo& Int64Type();
const TypeInfo& CardinalType(); // unsigned 32-bit, an Integer kind
const TypeInfo& ByteType();
const TypeInfo& BooleanType();
const TypeInfo& WideCharType();
const TypeInfo& StringType();
const TypeInfo& DoubleType();
const TypeInfo& SingleType();
const TypeInfo& ExtendedType();
const TypeInfo& CurrencyType();
const TypeInfo& DateTimeType();

// Published property. Which accessor pair is set depends on the type's kind: ordinal kinds
// (Integer, Int64, Char, WChar, Enumeration, Set) use getOrd/setOrd, Float getFloat/setFloat,
// String getStr/setStr, Class getObj/setObj, Method getMethod/setMethod.
struct PropInfo {
    std::string name;
    const TypeInfo* type = nullptr;
    std::function<int64_t(const TObject&)> getOrd;
    std::function<void(TObject&, int64_t)> setOrd;
    std::function<double(const TObject&)> getFloat;
    std::function<void(TObject&, double)> setFloat;
    std::function<std::u16string(const TObject&)> getStr;
    std::function<void(TObject&, const std::u16string&)> setStr;
    std::function<TObject*(const TObject&)> getObj;
    std::function<void(TObject&, TObject*)> setObj;
    // The name of the bound method, empty when none.
    std::function<std::string(const TObject&)> getMethod;
    // Binds the method `name` of `root` (empty name: unbinds); false when root has no
    // published method of that name and signature.
    std::function<bool(TObject&, TObject* root, const std::string& name)> setMethod;
    // Ordinal default: a value equal to it is not written. Empty: no default.
    std::optional<int64_t> defaultValue;
    // Empty: always stored.
    std::function<bool(const TObject&)> stored;

    bool hasSetter() const { return setOrd || setFloat || setStr || setObj || setMethod; }
    bool isStored(const TObject& o) const { return !stored || stored(o); }
};

struct MethodInfo {
    std::string name;
    std::type_index signature = typeid(void);
    // Returns std::function<void(Args...)> bound to the instance.
    std::function<std::any(TObject&)> bind;
};

// A published field of a root class: the owned component of that name is stored in it
// (and the field is cleared when the component leaves its owner).
struct FieldInfo {
    std::string name;
    std::function<void(TObject& root, TComponent* component)> set;
};

struct ClassInfo {
    std::string name;
    const ClassInfo* parent = nullptr;
    std::vector<PropInfo> properties; // this class's own, in declaration order
    std::vector<MethodInfo> methods;
    std::vector<FieldInfo> fields;
    // Set for component classes that can be created by name.
    std::function<TComponent*(TComponent* owner)> createComponent;

    bool inheritsFrom(const ClassInfo& other) const;
    // Every published property, base class first.
    std::vector<const PropInfo*> propertyList() const;
    // Looks a property up by name without case, the most derived declaration first.
    const PropInfo* findProperty(std::string_view propName) const;
    const MethodInfo* findMethod(std::string_view methodName) const;
    const FieldInfo* findField(std::string_view fieldName) const;
};

// Root of every class with class information.
class TObject {
  public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static const ClassInfo& StaticClass();
    virtual const ClassInfo& ClassType() const { return StaticClass(); }
    const std::string& ClassName() const;
    bool InheritsFrom(const ClassInfo& c) const;

    // Construction completion and the last step before destruction (see Free).
    virtual void AfterConstruction() {}
    virtual void BeforeDestruction() {}
};

// Runs BeforeDestruction and then deletes the object; an exception from BeforeDestruction
// leaves the object alive. Null is allowed.
void Free(TObject* object);

// The class factory by name (names compared without case).
// (Not "RegisterClass": windows.h makes that name a macro.)
void RegisterClassInfo(const ClassInfo& info);
void RegisterClasses(std::initializer_list<const ClassInfo*> infos);
// Takes a class out of the factory under every name it is registered by (aliases too).
void UnregisterClassInfo(const ClassInfo& info);
void UnregisterClasses(std::initializer_list<const ClassInfo*> infos);
// Makes a class readable under another name too (an existing registration of that name wins
// unless Replace).
void RegisterClassAlias(std::string_view alias, const ClassInfo& info, bool Replace = false);
const ClassInfo* FindClass(std::string_view name);

bool sameText(std::string_view a, std::string_view b);

// Events: a callable and the name of the published method it was bound to (if any).
template <class... Args> class TEvent {
  public:
    using Function = std::function<void(Args...)>;
    TEvent() = default;
    TEvent(Function f) : fn_(std::move(f)) {}
    TEvent& operator=(Function f) {
        fn_ = std::move(f);
        name_.clear();
        return *this;
    }
    void bind(Function f, std::string methodName) {
        fn_ = std::move(f);
        name_ = std::move(methodName);
    }
    explicit operator bool() const { return static_cast<bool>(fn_); }
    void operator()(Args... args) const {
        if (fn_) fn_(std::forward<Args>(args)...);
    }
    const std::string& methodName() const { return name_; }

  private:
    Function fn_;
    std::string name_;
};

using TNotifyEvent = TEvent<TObject*>;

// Small bit sets over enumerations; bit n is the member with ordinal n.
template <class E> class TSet {
  public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members) {
        for (E m : members)
            bits_ |= bit(m);
    }
    static constexpr TSet fromBits(uint32_t b) {
        TSet s;
        s.bits_ = b;
        return s;
    }
    constexpr uint32_t bits() const { return bits_; }
    constexpr bool has(E m) const { return bits_ & bit(m); }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr TSet operator+(TSet o) const { return fromBits(bits_ | o.bits_); }
    constexpr TSet operator-(TSet o) const { return fromBits(bits_ & ~o.bits_); }
    constexpr TSet operator*(TSet o) const { return fromBits(bits_ & o.bits_); }
    constexpr TSet& operator+=(TSet o) { return *this = *this + o; }
    constexpr TSet& operator-=(TSet o) { return *this = *this - o; }
    constexpr bool operator==(const TSet&) const = default;

  private:
    static constexpr uint32_t bit(E m) { return uint32_t{1} << static_cast<int>(m); }
    uint32_t bits_ = 0;
};

namespace detail {

template <class T> int64_t toOrd(T v) {
    if constexpr (requires { v.bits(); })
        return static_cast<int64_t>(v.bits());
    else
        return static_cast<int64_t>(v);
}
template <class T> T fromOrd(int64_t v) {
    if constexpr (requires { T::fromBits(0u); })
        return T::fromBits(static_cast<uint32_t>(v));
    else if constexpr (std::is_same_v<T, bool>)
        return v != 0;
    else
        return static_cast<T>(v);
}

// String properties are UTF-16; names (std::string) are ASCII identifiers.
inline std::u16string toText(const std::u16string& s) {
    return s;
}
inline std::u16string toText(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}
template <class A> A fromText(const std::u16string& s) {
    if constexpr (std::is_same_v<A, std::string>) {
        std::string out;
        for (char16_t c : s)
            out += c < 128 ? static_cast<char>(c) : '?';
        return out;
    } else {
        return s;
    }
}

template <class S> struct SetterArg;
template <class C, class A> struct SetterArg<void (C::*)(A)> { using type = std::remove_cvref_t<A>; };

} // namespace detail

template <class C> class ClassBuilder {
  public:
    using Class = C;
    ClassBuilder(std::string name, const ClassInfo* parent) {
        info_.name = std::move(name);
        info_.parent = parent;
        if constexpr (std::is_base_of_v<TComponent, C> && std::is_constructible_v<C, TComponent*> &&
                      !std::is_abstract_v<C>)
            info_.createComponent = [](TComponent* owner) -> TComponent* { return new C(owner); };
    }

    // Stored test: a const member function returning bool, or a constant.
    using StoredFn = bool (C::*)() const;

    template <class G, class S = std::nullptr_t>
    ClassBuilder& ord(std::string name, const TypeInfo& type, G get, S set = nullptr,
                      std::optional<int64_t> def = std::nullopt, StoredFn stored = nullptr) {
        PropInfo& p = add(std::move(name), type, stored);
        p.getOrd = [get](const TObject& o) { return detail::toOrd((self(o).*get)()); };
        if constexpr (!std::is_same_v<S, std::nullptr_t>) {
            using A = typename detail::SetterArg<S>::type;
            p.setOrd = [set](TObject& o, int64_t v) { (self(o).*set)(detail::fromOrd<A>(v)); };
        }
        p.defaultValue = def;
        return *this;
    }
    template <class G, class S = std::nullptr_t>
    ClassBuilder& flt(std::string name, const TypeInfo& type, G get, S set = nullptr,
                      StoredFn stored = nullptr) {
        PropInfo& p = add(std::move(name), type, stored);
        p.getFloat = [get](const TObject& o) { return static_cast<double>((self(o).*get)()); };
        if constexpr (!std::is_same_v<S, std::nullptr_t>) {
            using A = typename detail::SetterArg<S>::type;
            p.setFloat = [set](TObject& o, double v) { (self(o).*set)(static_cast<A>(v)); };
        }
        return *this;
    }
    template <class G, class S = std::nullptr_t>
    ClassBuilder& str(std::string name, G get, S set = nullptr, StoredFn stored = nullptr) {
        PropInfo& p = add(std::move(name), StringType(), stored);
        p.getStr = [get](const TObject& o) { return detail::toText((self(o).*get)()); };
        if constexpr (!std::is_same_v<S, std::nullptr_t>) {
            using A = typename detail::SetterArg<S>::type;
            p.setStr = [set](TObject& o, const std::u16string& v) { (self(o).*set)(detail::fromText<A>(v)); };
        }
        return *this;
    }
    // Object property: a nested persistent object or a reference to a component. With a
    // setter, a value of the wrong class is refused by the reader.
    template <class G, class S = std::nullptr_t>
    ClassBuilder& obj(std::string name, const TypeInfo& type, G get, S set = nullptr,
                      StoredFn stored = nullptr) {
        PropInfo& p = add(std::move(name), type, stored);
        p.getObj = [get](const TObject& o) -> TObject* { return (self(o).*get)(); };
        if constexpr (!std::is_same_v<S, std::nullptr_t>) {
            using A = typename detail::SetterArg<S>::type; // T*
            p.setObj = [set](TObject& o, TObject* v) { (self(o).*set)(v ? dynamic_cast<A>(v) : nullptr); };
        }
        return *this;
    }
    template <class... Args> ClassBuilder& event(std::string name, TEvent<Args...> C::*field) {
        static const TypeInfo type = [] {
            TypeInfo t;
            t.kind = TypeKind::Method;
            t.name = "event";
            t.signature = typeid(void (*)(Args...));
            return t;
        }();
        PropInfo& p = add(std::move(name), type, nullptr);
        p.getMethod = [field](const TObject& o) { return (self(o).*field).methodName(); };
        p.setMethod = [field](TObject& o, TObject* root, const std::string& method) {
            auto& ev = self(o).*field;
            if (method.empty()) {
                ev = nullptr;
                return true;
            }
            const MethodInfo* m = root ? root->ClassType().findMethod(method) : nullptr;
            if (!m || m->signature != std::type_index(typeid(void (*)(Args...)))) return false;
            std::any bound = m->bind(*root);
            ev.bind(std::any_cast<std::function<void(Args...)>>(bound), m->name);
            return true;
        };
        return *this;
    }
    // A published method that events can be bound to by name.
    template <class... Args> ClassBuilder& method(std::string name, void (C::*fn)(Args...)) {
        MethodInfo m;
        m.name = std::move(name);
        m.signature = typeid(void (*)(Args...));
        m.bind = [fn](TObject& o) -> std::any {
            C* c = &self(o);
            return std::function<void(Args...)>([c, fn](Args... a) { (c->*fn)(std::forward<Args>(a)...); });
        };
        info_.methods.push_back(std::move(m));
        return *this;
    }
    // A published field for the owned component of that name.
    template <class T> ClassBuilder& field(std::string name, T* C::*member) {
        info_.fields.push_back(FieldInfo{std::move(name), [member](TObject& root, TComponent* component) {
                                             self(root).*member =
                                                 component ? dynamic_cast<T*>(component) : nullptr;
                                         }});
        return *this;
    }
    ClassInfo build() { return std::move(info_); }

  private:
    static C& self(TObject& o) { return static_cast<C&>(o); }
    static const C& self(const TObject& o) { return static_cast<const C&>(o); }
    PropInfo& add(std::string name, const TypeInfo& type, StoredFn stored) {
        PropInfo& p = info_.properties.emplace_back();
        p.name = std::move(name);
        p.type = &type;
        if (stored) p.stored = [stored](const TObject& o) { return (self(o).*stored)(); };
        return p;
    }
    ClassInfo info_;
};

// Declares the class information of a class inside its body.
#define VELL_CLASS_INFO()                                                                                    \
  public:                                                                                                    \
    static const ::vell::tk::ClassInfo& StaticClass();                                                       \
    const ::vell::tk::ClassInfo& ClassType() const override {                                                \
        return StaticClass();                                                                                \
    }

} // namespace vell::tk
