// TRdImageNote: a picture control that keeps a collection of named pictures (Items) and
// shows one of them, chosen by position (ImageIndex) or by name (NameIndex). Selecting
// copies the item's picture into the control's own picture; every change of the items
// keeps the shown picture in step. A lock records the bounds (the designer restores them).
#pragma once
#include "rdcontrol/panels/image.h"

namespace vell::rd {

class TRdImageNote;

class TPictureItem : public tk::TCollectionItem {
    VELL_CLASS_INFO()
  public:
    // Named "Picture_" and the number of items the collection held before it.
    explicit TPictureItem(tk::TCollection* Collection);
    ~TPictureItem() override;
    const std::u16string& Name() const { return FName; }
    void SetName(const std::u16string& Value) { FName = Value; }
    tk::TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(tk::TPicture* Value) { FPicture->Assign(Value); }
    std::u16string DisplayName() const override { return FName; }

  private:
    std::u16string FName;
    std::unique_ptr<tk::TPicture> FPicture;
};

class TPictureCollection : public tk::TCollection {
    VELL_CLASS_INFO()
  public:
    // The owner must be a TRdImageNote (EInvalidCast otherwise).
    explicit TPictureCollection(tk::TPersistent* AOwner);
    TPictureItem* Add() { return static_cast<TPictureItem*>(tk::TCollection::Add()); }
    TPictureItem* Items(int Index) const { return static_cast<TPictureItem*>(tk::TCollection::Items(Index)); }
    void SetItems(int Index, TPictureItem* Value) { Items(Index)->Assign(Value); }
    // The first item whose name equals ItmName, ASCII letters without case; null when none.
    TPictureItem* FindByName(const std::u16string& ItmName) const;
    // An update bracket: item changes inside it keep the shown picture until the end.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return FUpdating > 0; }

  protected:
    void Update(tk::TCollectionItem* Item) override;

  private:
    friend class TPictureItem;
    void ItemPictureChanged(TPictureItem* Item);
    TRdImageNote* FOwner;
    int FUpdating = 0;
};

class EInvalidCast : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};

class TRdImageNote : public TRdImage {
    VELL_CLASS_INFO()
  public:
    explicit TRdImageNote(tk::TComponent* AOwner);
    ~TRdImageNote() override;

    TPictureCollection* Items() const { return FPictureCollection.get(); }
    void SetItems(TPictureCollection* Value) { FPictureCollection->Assign(Value); }
    int ImageIndex() const { return FImageIndex; }
    virtual void SetImageIndex(int Value);
    // The name of item ImageIndex ("" outside the collection); writing selects the first
    // item of exactly that name, nothing when none has it.
    std::u16string NameIndex() const;
    void SetNameIndex(const std::u16string& Value);
    bool Locked() const { return FLocked; }
    virtual void SetLocked(bool Value);
    virtual void RestoreLockedBounds();

    tk::TNotifyEvent OnItemChanged;

    void Invalidate() override;
    void Loaded() override;
    void DefineProperties(tk::TFiler& Filer) override;

  protected:
    void PictureChanged(tk::TObject* Sender) override;

  private:
    friend class TPictureCollection;
    // Copies the item's picture again, also when the index did not change.
    void Reapply();
    bool InRange(int Index) const { return Index >= 0 && Index < FPictureCollection->Count(); }
    bool ItemsStored() const { return FPictureCollection->Count() > 0; }

    int FPictureByImageIndex = -1;
    int FImageIndex = -1;
    std::unique_ptr<TPictureCollection> FPictureCollection;
    bool FLocked = false;
    int FOldLeft = 0, FOldTop = 0, FOldWidth = 0, FOldHeight = 0;
};

} // namespace vell::rd
