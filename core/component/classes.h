// The component model: persistent objects with Assign and defined properties, components
// with owner, name, states and free notifications, collections and string lists.
#pragma once
#include "core/component/typeinfo.h"
#include "core/containers/string_list.h"
#include "core/forms/value.h"
#include "core/image/errors.h"

#include <memory>

namespace vell::tk {

class TReader;
class TComponent;

// Failures of the component model and of reading descriptions.
class EComponentError : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};
class EFilerError : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};
class EConvertError : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};
class EListError : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};

// Properties an object streams beyond its published ones (a picture's data, a string
// list's lines, a control's design size). DefineProperties declares them to a filer.
class TFiler {
  public:
    using ReadProc = std::function<void(const forms::Value&)>;
    using WriteProc = std::function<forms::Value()>;
    using ReadBinary = std::function<void(const std::vector<uint8_t>&)>;
    using WriteBinary = std::function<std::vector<uint8_t>()>;

    struct Definition {
        std::string name;
        ReadProc read;
        WriteProc write;
        bool hasData = false;
    };

    TFiler(TComponent* root, bool reading) : root_(root), reading_(reading) {}
    void DefineProperty(std::string name, ReadProc read, WriteProc write, bool hasData);
    // The value is a binary block { ... }; anything else is "Invalid property value".
    void DefineBinaryProperty(std::string name, ReadBinary read, WriteBinary write, bool hasData);

    TComponent* Root() const { return root_; }
    bool Reading() const { return reading_; }
    const std::vector<Definition>& Definitions() const { return defs_; }
    const Definition* Find(std::string_view name) const;

  private:
    TComponent* root_;
    bool reading_;
    std::vector<Definition> defs_;
};

class TPersistent : public TObject {
    VELL_CLASS_INFO()
  public:
    // Copies Source into this object; the base asks Source to AssignTo this and fails with
    // "Cannot assign a <source class> to a <class>".
    virtual void Assign(const TPersistent* Source);
    virtual void DefineProperties(TFiler& Filer) {}
    virtual std::string GetNamePath() const;
    virtual TPersistent* GetOwner() const { return nullptr; }

  protected:
    virtual void AssignTo(TPersistent* Dest) const;
    // Stored test of properties that are never written.
    bool NeverStored() const { return false; }
    // Copies every published ordinal, float and string property that has a setter from
    // Source, which must be of this object's class or a descendant.
    void AssignPublished(const TPersistent& Source);
};

enum class TOperation { opInsert, opRemove };

// Component states.
enum TComponentStateFlag : uint32_t {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
    csAncestor = 1u << 5,
    csUpdating = 1u << 6,
    csFixups = 1u << 7,
    csFreeNotification = 1u << 8,
    csInline = 1u << 9,
};
// Component styles.
enum TComponentStyleFlag : uint32_t {
    csInheritable = 1u << 0,
    csCheckPropAvail = 1u << 1,
    csSubComponent = 1u << 2,
    csTransient = 1u << 3,
};

class TComponent : public TPersistent {
    VELL_CLASS_INFO()
  public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    // Raises when the name is no identifier or another component of the owner has it.
    virtual void SetName(const std::string& NewName);
    int32_t Tag() const { return FTag; }
    void SetTag(int32_t v) { FTag = v; }

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const { return FComponents.at(static_cast<size_t>(Index)); }
    int ComponentIndex() const;
    // Owned component by name, compared without case; null when there is none.
    TComponent* FindComponent(std::string_view AName) const;
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    void DestroyComponents();

    uint32_t ComponentState() const { return FComponentState; }
    bool InState(uint32_t flags) const { return (FComponentState & flags) != 0; }
    uint32_t ComponentStyle() const { return FComponentStyle; }
    void SetSubComponent(bool Value);
    // Marks the component (and, with Children, its owned components) as being designed.
    void SetDesigning(bool Value, bool Children = true);

    // Both components hear of each other's destruction through Notification(opRemove).
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    virtual void Notification(TComponent* AComponent, TOperation Operation);
    // After the whole tree of a description was read; the base clears csLoading.
    virtual void Loaded();
    // Reads this component's properties and children from the reader's description.
    virtual void ReadState(TReader& Reader);
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* Value) {}
    // Reports the children written nested inside this component's description: the
    // components owned by Root whose parent component is this one, and for Root itself
    // also those without a parent, in Root's component order.
    virtual void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root);

    void Destroying();
    void BeforeDestruction() override;
    void Updating() { FComponentState |= csUpdating; }
    void Updated() { FComponentState &= ~csUpdating; }
    std::string GetNamePath() const override { return FName; }
    // Non-visual components keep their designer position as "Left" and "Top".
    void DefineProperties(TFiler& Filer) override;
    int32_t DesignLeft() const { return FDesignLeft; }
    int32_t DesignTop() const { return FDesignTop; }

    // Used by the reader and the framework.
    void SetState(uint32_t flags) { FComponentState |= flags; }
    void ClearState(uint32_t flags) { FComponentState &= ~flags; }

  protected:
    // Stores this component in (or clears it from) the owner's published field of its name.
    void SetReference(bool Enable);
    virtual void ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName);

  private:
    TComponent* FOwner = nullptr;
    std::string FName;
    int32_t FTag = 0;
    int32_t FDesignLeft = 0, FDesignTop = 0;
    std::vector<TComponent*> FComponents; // owned
    std::vector<TComponent*> FFreeNotifies;
    uint32_t FComponentState = 0;
    uint32_t FComponentStyle = csInheritable;
};

class TCollection;

class TCollectionItem : public TPersistent {
    VELL_CLASS_INFO()
  public:
    explicit TCollectionItem(TCollection* Collection);
    ~TCollectionItem() override;

    TCollection* Collection() const { return FCollection; }
    void SetCollection(TCollection* Value);
    int Index() const;
    void SetIndex(int Value);
    int ID() const { return FID; }
    virtual std::u16string DisplayName() const;
    std::string GetNamePath() const override;
    TPersistent* GetOwner() const override;
    // Items of the same class copy their published properties.
    void Assign(const TPersistent* Source) override;

  protected:
    void Changed(bool AllItems);

  private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

class TCollection : public TPersistent {
    VELL_CLASS_INFO()
  public:
    using ItemFactory = std::function<TCollectionItem*(TCollection*)>;
    template <class Item> static ItemFactory factoryOf() {
        return [](TCollection* c) -> TCollectionItem* { return new Item(c); };
    }

    TCollection(const ClassInfo& ItemClass, ItemFactory Factory, TPersistent* Owner = nullptr);
    ~TCollection() override;

    TCollectionItem* Add();
    TCollectionItem* Insert(int Index);
    void Delete(int Index);
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    TCollectionItem* Items(int Index) const;
    const ClassInfo& ItemClass() const { return *FItemClass; }
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void Assign(const TPersistent* Source) override;
    TPersistent* GetOwner() const override { return FOwner; }
    std::string GetNamePath() const override;

    std::function<void(TCollectionItem*)> OnUpdate; // null item: all items changed

  protected:
    virtual void Update(TCollectionItem* Item);
    void Changed();

  private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item);

    const ClassInfo* FItemClass;
    ItemFactory FFactory;
    TPersistent* FOwner;
    std::vector<TCollectionItem*> FItems;
    int FNextID = 0;
    int FUpdateCount = 0;
};

// A string list property: lines with an optional object each, an update bracket and
// change events. Streams as the defined property "Strings", a list of strings.
//
// OnChanging runs before a change and OnChange after it; inside a BeginUpdate/EndUpdate
// bracket they run once each, before the bracket's first change and when the outermost
// EndUpdate closes it, and not at all for a bracket that changed nothing.
class TStrings : public TPersistent {
    VELL_CLASS_INFO()
  public:
    TStrings();
    int Count() const { return FList.Count(); }
    const std::u16string& Strings(int Index) const;
    // Sorted lists refuse Put and Insert ("Operation not allowed on sorted list").
    void Put(int Index, const std::u16string& S);
    TObject* Objects(int Index) const;
    void PutObject(int Index, TObject* Obj);
    // Sorted lists insert in order and apply their Duplicates rule; the line's index.
    int Add(const std::u16string& S, TObject* Obj = nullptr);
    void Insert(int Index, const std::u16string& S, TObject* Obj = nullptr);
    void Delete(int Index);
    void Clear();
    // The first line equal to S (without case unless CaseSensitive), or -1.
    int IndexOf(const std::u16string& S) const;
    // Lines joined by CR LF, each followed by it; setting splits at CR LF, LF or CR.
    std::u16string Text() const;
    void SetText(const std::u16string& Value);
    void BeginUpdate() { FList.BeginUpdate(); }
    void EndUpdate() { FList.EndUpdate(); }

    void Assign(const TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    bool Equals(const TStrings& Other) const;

    std::function<void(TStrings*)> OnChanging;
    std::function<void(TStrings*)> OnChange;

  protected:
    // The lines; mutable because look-ups of the container may refresh its caches.
    mutable ::vell::TStringListEx FList;

  private:
    void CheckIndex(int Index) const;
};

// A string list that can keep its lines sorted (Sorted), with a rule for lines equal to
// one already there (Duplicates: ignore, accept, error) and a choice of comparison
// (CaseSensitive; otherwise ASCII letters fold). Streams its lines like TStrings.
class TStringList : public TStrings {
    VELL_CLASS_INFO()
  public:
    bool Sorted() const { return FList.Sorted(); }
    void SetSorted(bool Value) { FList.SetSorted(Value); }
    ::vell::TDuplicates Duplicates() const { return FList.Duplicates; }
    void SetDuplicates(::vell::TDuplicates Value) { FList.Duplicates = Value; }
    bool CaseSensitive() const { return FList.CaseSensitive(); }
    void SetCaseSensitive(bool Value) { FList.SetCaseSensitive(Value); }
    // Sorted lists: true when S is there, Index the first match or where S belongs.
    bool Find(const std::u16string& S, int& Index) const { return FList.Find(S, Index); }
    void Sort() { FList.Sort(); }
};

} // namespace vell::tk
