#include "core/component/classes.h"
#include "core/component/reader.h"

#include <algorithm>
#include <cctype>

namespace vell::tk {

// ---- TFiler ----

void TFiler::DefineProperty(std::string name, ReadProc read, WriteProc write, bool hasData) {
    defs_.push_back({std::move(name), std::move(read), std::move(write), hasData});
}

void TFiler::DefineBinaryProperty(std::string name, ReadBinary read, WriteBinary write, bool hasData) {
    ReadProc r;
    if (read)
        r = [read = std::move(read)](const forms::Value& v) {
            if (v.kind != forms::ValueKind::Binary) throw EFilerError("Invalid property value");
            read(v.bytes);
        };
    WriteProc w;
    if (write)
        w = [write = std::move(write)] {
            forms::Value v;
            v.kind = forms::ValueKind::Binary;
            v.bytes = write();
            return v;
        };
    DefineProperty(std::move(name), std::move(r), std::move(w), hasData);
}

const TFiler::Definition* TFiler::Find(std::string_view name) const {
    for (const Definition& d : defs_)
        if (sameText(d.name, name)) return &d;
    return nullptr;
}

// ---- TPersistent ----

const ClassInfo& TPersistent::StaticClass() {
    static const ClassInfo info = ClassBuilder<TPersistent>("TPersistent", &TObject::StaticClass()).build();
    return info;
}

void TPersistent::Assign(const TPersistent* Source) {
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* Dest) const {
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + (Dest ? Dest->ClassName() : "nil"));
}

std::string TPersistent::GetNamePath() const {
    return ClassName();
}

void TPersistent::AssignPublished(const TPersistent& Source) {
    if (!Source.InheritsFrom(ClassType())) {
        Source.AssignTo(this);
        return;
    }
    for (const PropInfo* p : ClassType().propertyList()) {
        if (p->setOrd && p->getOrd)
            p->setOrd(*this, p->getOrd(Source));
        else if (p->setFloat && p->getFloat)
            p->setFloat(*this, p->getFloat(Source));
        else if (p->setStr && p->getStr)
            p->setStr(*this, p->getStr(Source));
    }
}

// ---- TComponent ----

const ClassInfo& TComponent::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TComponent>("TComponent", &TPersistent::StaticClass())
            .str("Name", &TComponent::Name, &TComponent::SetName, &TComponent::NeverStored)
            .ord("Tag", IntegerType(), &TComponent::Tag, &TComponent::SetTag, 0)
            .build();
    return info;
}

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& theirs = other->FFreeNotifies;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

namespace {
bool isValidIdent(const std::string& s) {
    if (s.empty()) return false;
    if (!(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}
} // namespace

void TComponent::SetName(const std::string& NewName) {
    if (FName == NewName) return;
    if (!NewName.empty() && !isValidIdent(NewName))
        throw EComponentError("'" + NewName + "' is not a valid component name");
    if (FOwner) FOwner->ValidateRename(this, FName, NewName);
    SetReference(false);
    FName = NewName;
    SetReference(true);
}

void TComponent::SetReference(bool Enable) {
    // An owner on its way out has no fields left to keep up to date.
    if (!FOwner || FName.empty() || FOwner->InState(csDestroying)) return;
    if (const FieldInfo* f = FOwner->ClassType().findField(FName)) f->set(*FOwner, Enable ? this : nullptr);
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) {
    if (NewName.empty() || sameText(CurName, NewName)) return;
    TComponent* found = FindComponent(NewName);
    if (found && found != AComponent)
        throw EComponentError("A component named " + NewName + " already exists");
}

int TComponent::ComponentIndex() const {
    if (!FOwner) return -1;
    auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
    if (AName.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (sameText(c->FName, AName)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->FOwner == this) return;
    ValidateRename(AComponent, std::string(), AComponent->FName);
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
    AComponent->SetReference(true);
    if (InState(csDesigning)) AComponent->SetDesigning(true);
    Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (it == FComponents.end()) return;
    AComponent->SetReference(false);
    Notification(AComponent, TOperation::opRemove);
    FComponents.erase(std::find(FComponents.begin(), FComponents.end(), AComponent));
    AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        c->SetReference(false);
        FComponents.pop_back();
        c->FOwner = nullptr;
        try {
            c->BeforeDestruction();
        } catch (...) {
            // The owner goes away: its components go with it whatever they say.
        }
        delete c;
    }
}

void TComponent::SetSubComponent(bool Value) {
    if (Value)
        FComponentStyle |= csSubComponent;
    else
        FComponentStyle &= ~csSubComponent;
}

void TComponent::SetDesigning(bool Value, bool Children) {
    if (Value)
        FComponentState |= csDesigning;
    else
        FComponentState &= ~csDesigning;
    if (Children)
        for (TComponent* c : FComponents)
            c->SetDesigning(Value, true);
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    auto& theirs = AComponent->FFreeNotifies;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
    FComponentState |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (!AComponent) return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent),
                        FFreeNotifies.end());
    auto& theirs = AComponent->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == TOperation::opRemove && AComponent) RemoveFreeNotification(AComponent);
    // Owned components hear of it too, so that references between siblings are cleared.
    std::vector<TComponent*> owned = FComponents;
    for (TComponent* c : owned)
        if (c != AComponent && std::find(FComponents.begin(), FComponents.end(), c) != FComponents.end())
            c->Notification(AComponent, Operation);
}

void TComponent::DefineProperties(TFiler& Filer) {
    // Controls publish Left and Top themselves; then these are never reached or written.
    bool own = ClassType().findProperty("Left") == nullptr;
    auto define = [&](const char* name, int32_t TComponent::*field) {
        Filer.DefineProperty(
            name,
            [this, field](const forms::Value& v) {
                if (v.kind != forms::ValueKind::Integer) throw EFilerError("Invalid property value");
                this->*field = static_cast<int32_t>(v.integer);
            },
            [this, field] {
                forms::Value v;
                v.kind = forms::ValueKind::Integer;
                v.integer = this->*field;
                return v;
            },
            own && (FDesignLeft != 0 || FDesignTop != 0));
    };
    define("Left", &TComponent::FDesignLeft);
    define("Top", &TComponent::FDesignTop);
}

void TComponent::Loaded() {
    FComponentState &= ~csLoading;
}

void TComponent::ReadState(TReader& Reader) {
    Reader.ReadData(this);
}

void TComponent::Destroying() {
    if (InState(csDestroying)) return;
    FComponentState |= csDestroying;
    for (TComponent* c : FComponents)
        c->Destroying();
}

void TComponent::BeforeDestruction() {
    if (!InState(csDestroying)) Destroying();
}

void TComponent::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    if (!Root) return;
    std::vector<TComponent*> owned = Root->FComponents;
    for (TComponent* c : owned) {
        TComponent* parent = c->HasParent() ? c->GetParentComponent() : nullptr;
        if (parent == this || (!parent && this == Root)) Proc(c);
    }
}

// ---- TCollectionItem ----

const ClassInfo& TCollectionItem::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TCollectionItem>("TCollectionItem", &TPersistent::StaticClass()).build();
    return info;
}

TCollectionItem::TCollectionItem(TCollection* Collection) {
    SetCollection(Collection);
}

TCollectionItem::~TCollectionItem() {
    if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
    if (FCollection == Value) return;
    if (FCollection) FCollection->RemoveItem(this);
    if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!FCollection) return -1;
    auto& items = FCollection->FItems;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
    int cur = Index();
    if (cur < 0 || cur == Value) return;
    auto& items = FCollection->FItems;
    if (Value < 0 || Value >= static_cast<int>(items.size()))
        throw EListError("List index out of bounds (" + std::to_string(Value) + ")");
    items.erase(items.begin() + cur);
    items.insert(items.begin() + Value, this);
    Changed(true);
}

std::u16string TCollectionItem::DisplayName() const {
    std::string n = ClassName();
    return std::u16string(n.begin(), n.end());
}

std::string TCollectionItem::GetNamePath() const {
    if (!FCollection) return ClassName();
    return FCollection->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

TPersistent* TCollectionItem::GetOwner() const {
    return FCollection;
}

void TCollectionItem::Assign(const TPersistent* Source) {
    if (Source && Source->InheritsFrom(ClassType())) {
        AssignPublished(*Source);
        return;
    }
    TPersistent::Assign(Source);
}

void TCollectionItem::Changed(bool AllItems) {
    if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

// ---- TCollection ----

const ClassInfo& TCollection::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TCollection>("TCollection", &TPersistent::StaticClass()).build();
    return info;
}

TCollection::TCollection(const ClassInfo& ItemClass, ItemFactory Factory, TPersistent* Owner)
    : FItemClass(&ItemClass), FFactory(std::move(Factory)), FOwner(Owner) {}

TCollection::~TCollection() {
    ++FUpdateCount; // no change notifications while going away
    while (!FItems.empty())
        delete FItems.back();
}

TCollectionItem* TCollection::Add() {
    BeginUpdate();
    TCollectionItem* item = nullptr;
    try {
        item = FFactory(this);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    return item;
}

TCollectionItem* TCollection::Insert(int Index) {
    TCollectionItem* item = Add();
    item->SetIndex(std::clamp(Index, 0, Count() - 1));
    return item;
}

void TCollection::Delete(int Index) {
    delete Items(Index);
}

void TCollection::Clear() {
    if (FItems.empty()) return;
    BeginUpdate();
    while (!FItems.empty())
        delete FItems.back();
    EndUpdate();
}

TCollectionItem* TCollection::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FItems[static_cast<size_t>(Index)];
}

void TCollection::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TCollection::Changed() {
    if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem* Item) {
    if (OnUpdate) OnUpdate(Item);
}

void TCollection::Assign(const TPersistent* Source) {
    auto* src = dynamic_cast<const TCollection*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    if (src == this) return;
    BeginUpdate();
    try {
        Clear();
        for (TCollectionItem* it : src->FItems)
            Add()->Assign(it);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

std::string TCollection::GetNamePath() const {
    if (!FOwner) return ClassName();
    std::string owner = FOwner->GetNamePath();
    if (owner.empty()) return ClassName();
    // The property name is the one of FOwner's published properties that holds this collection.
    for (const PropInfo* p : FOwner->ClassType().propertyList())
        if (p->getObj && p->getObj(*FOwner) == this) return owner + "." + p->name;
    return owner;
}

void TCollection::InsertItem(TCollectionItem* Item) {
    FItems.push_back(Item);
    Item->FCollection = this;
    Item->FID = FNextID++;
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    if (it == FItems.end()) return;
    FItems.erase(it);
    Item->FCollection = nullptr;
    Changed();
}

// ---- TStrings ----

const ClassInfo& TStrings::StaticClass() {
    static const ClassInfo info = ClassBuilder<TStrings>("TStrings", &TPersistent::StaticClass()).build();
    return info;
}

TStrings::TStrings() {
    FList.OnChanging = [this](::vell::TStringList&) {
        if (OnChanging) OnChanging(this);
    };
    FList.OnChange = [this](::vell::TStringList&) {
        if (OnChange) OnChange(this);
    };
}

void TStrings::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

const std::u16string& TStrings::Strings(int Index) const {
    CheckIndex(Index);
    return FList.Strings(Index);
}

void TStrings::Put(int Index, const std::u16string& S) {
    CheckIndex(Index);
    FList.Put(Index, S);
}

TObject* TStrings::Objects(int Index) const {
    CheckIndex(Index);
    return reinterpret_cast<TObject*>(FList.Objects(Index));
}

void TStrings::PutObject(int Index, TObject* Obj) {
    CheckIndex(Index);
    FList.PutObject(Index, reinterpret_cast<PtrInt>(Obj));
}

int TStrings::Add(const std::u16string& S, TObject* Obj) {
    return FList.AddObject(S, reinterpret_cast<PtrInt>(Obj));
}

void TStrings::Insert(int Index, const std::u16string& S, TObject* Obj) {
    if (Index < 0 || Index > Count())
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    FList.InsertObject(Index, S, reinterpret_cast<PtrInt>(Obj));
}

void TStrings::Delete(int Index) {
    CheckIndex(Index);
    FList.Delete(Index);
}

void TStrings::Clear() {
    FList.Clear();
}

int TStrings::IndexOf(const std::u16string& S) const {
    return FList.IndexOf(S);
}

std::u16string TStrings::Text() const {
    std::u16string out;
    for (int i = 0; i < Count(); ++i)
        out += FList.Strings(i) + u"\r\n";
    return out;
}

void TStrings::SetText(const std::u16string& Value) {
    BeginUpdate();
    try {
        Clear();
        size_t start = 0;
        for (size_t i = 0; i < Value.size(); ++i) {
            if (Value[i] != u'\r' && Value[i] != u'\n') continue;
            Add(Value.substr(start, i - start));
            if (Value[i] == u'\r' && i + 1 < Value.size() && Value[i + 1] == u'\n') ++i;
            start = i + 1;
        }
        if (start < Value.size()) Add(Value.substr(start));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Assign(const TPersistent* Source) {
    auto* src = dynamic_cast<const TStrings*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    if (src == this) return;
    BeginUpdate();
    try {
        Clear();
        // A sorted list takes the lines in its own order, by its Duplicates rule.
        for (int i = 0; i < src->Count(); ++i)
            Add(src->FList.Strings(i), src->Objects(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

bool TStrings::Equals(const TStrings& Other) const {
    if (Count() != Other.Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (FList.Strings(i) != Other.FList.Strings(i)) return false;
    return true;
}

void TStrings::DefineProperties(TFiler& Filer) {
    Filer.DefineProperty(
        "Strings",
        [this](const forms::Value& v) {
            if (v.kind != forms::ValueKind::List) throw EFilerError("Invalid property value");
            for (const forms::Value& e : v.list)
                if (e.kind != forms::ValueKind::String) throw EFilerError("Invalid property value");
            BeginUpdate();
            try {
                Clear();
                for (const forms::Value& e : v.list)
                    Add(e.text);
            } catch (...) {
                EndUpdate();
                throw;
            }
            EndUpdate();
        },
        [this] {
            forms::Value v;
            v.kind = forms::ValueKind::List;
            for (int i = 0; i < Count(); ++i) {
                forms::Value s;
                s.kind = forms::ValueKind::String;
                s.text = FList.Strings(i);
                v.list.push_back(std::move(s));
            }
            return v;
        },
        Count() > 0);
}

// ---- TStringList ----

const ClassInfo& TStringList::StaticClass() {
    static const ClassInfo info = ClassBuilder<TStringList>("TStringList", &TStrings::StaticClass()).build();
    return info;
}

} // namespace vell::tk
