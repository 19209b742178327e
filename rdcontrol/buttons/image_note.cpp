#include "rdcontrol/buttons/image_note.h"

#include "platform/image/graphic.h"

#include <algorithm>

namespace vell::rd {

namespace {

char16_t asciiLower(char16_t C) {
    return C >= u'A' && C <= u'Z' ? static_cast<char16_t>(C - u'A' + u'a') : C;
}

bool sameIgnoringAsciiCase(const std::u16string& A, const std::u16string& B) {
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char16_t x, char16_t y) {
               return asciiLower(x) == asciiLower(y);
           });
}

} // namespace

// ---- TPictureItem ----

const tk::ClassInfo& TPictureItem::StaticClass() {
    using T = TPictureItem;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TPictureItem", &tk::TCollectionItem::StaticClass())
            .str("Name", &T::Name, &T::SetName)
            .obj("Picture", tk::ClassTypeOf<tk::TPicture>(), &T::Picture, &T::SetPicture)
            .build();
    return info;
}

TPictureItem::TPictureItem(tk::TCollection* Collection)
    : tk::TCollectionItem(Collection), FPicture(std::make_unique<tk::TPicture>()) {
    const int before = Collection ? Collection->Count() - 1 : 0;
    FName = u"Picture_" + text::utf8ToUtf16(std::to_string(before));
    FPicture->OnChange = [this](tk::TPicture*) {
        if (auto* c = dynamic_cast<TPictureCollection*>(this->Collection())) c->ItemPictureChanged(this);
    };
}

TPictureItem::~TPictureItem() {
    FPicture->OnChange = nullptr;
}

// ---- TPictureCollection ----

const tk::ClassInfo& TPictureCollection::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TPictureCollection>("TPictureCollection", &tk::TCollection::StaticClass()).build();
    return info;
}

TPictureCollection::TPictureCollection(tk::TPersistent* AOwner)
    : tk::TCollection(TPictureItem::StaticClass(), tk::TCollection::factoryOf<TPictureItem>(), AOwner),
      FOwner(dynamic_cast<TRdImageNote*>(AOwner)) {
    if (!FOwner) throw EInvalidCast("Invalid class typecast");
}

TPictureItem* TPictureCollection::FindByName(const std::u16string& ItmName) const {
    for (int i = 0; i < Count(); ++i)
        if (sameIgnoringAsciiCase(Items(i)->Name(), ItmName)) return Items(i);
    return nullptr;
}

void TPictureCollection::BeginUpdate() {
    ++FUpdating;
    tk::TCollection::BeginUpdate();
}

void TPictureCollection::EndUpdate() {
    if (FUpdating > 0) --FUpdating;
    tk::TCollection::EndUpdate(); // at the end of the bracket: a whole-collection change
}

void TPictureCollection::Update(tk::TCollectionItem* Item) {
    tk::TCollection::Update(Item);
    if (!Item && FOwner->ImageIndex() >= 0) FOwner->Reapply();
    FOwner->OnItemChanged(FOwner);
}

void TPictureCollection::ItemPictureChanged(TPictureItem* Item) {
    if (!Updating() && Item->Index() == FOwner->ImageIndex()) FOwner->Reapply();
    FOwner->OnItemChanged(FOwner);
}

// ---- TRdImageNote ----

const tk::ClassInfo& TRdImageNote::StaticClass() {
    using T = TRdImageNote;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdImageNote", &TRdImage::StaticClass())
            .obj("Items", tk::ClassTypeOf<TPictureCollection>(), &T::Items, &T::SetItems, &T::ItemsStored)
            .ord("ImageIndex", tk::IntegerType(), &T::ImageIndex, &T::SetImageIndex, -1)
            .ord("Locked", tk::BooleanType(), &T::Locked, &T::SetLocked, 0)
            .event("OnItemChanged", &T::OnItemChanged)
            .build();
    return info;
}

TRdImageNote::TRdImageNote(tk::TComponent* AOwner)
    : TRdImage(AOwner), FPictureCollection(std::make_unique<TPictureCollection>(this)) {
    SetLocked(false);
    if (InState(tk::csDesigning)) OnResize = [this](tk::TObject*) { RestoreLockedBounds(); };
}

TRdImageNote::~TRdImageNote() {
    FPictureCollection.reset();
}

void TRdImageNote::SetImageIndex(int Value) {
    if (InState(tk::csLoading)) {
        FImageIndex = Value;
        return;
    }
    if (InRange(Value)) {
        if (Value == FImageIndex && Value == FPictureByImageIndex) return;
        FImageIndex = Value;
        Picture()->Assign(FPictureCollection->Items(Value)->Picture());
        FPictureByImageIndex = Value;
    } else {
        FImageIndex = Value;
        Picture()->SetGraphic(nullptr);
    }
}

void TRdImageNote::Reapply() {
    FPictureByImageIndex = -1;
    SetImageIndex(FImageIndex);
}

std::u16string TRdImageNote::NameIndex() const {
    return InRange(FImageIndex) ? FPictureCollection->Items(FImageIndex)->Name() : std::u16string();
}

void TRdImageNote::SetNameIndex(const std::u16string& Value) {
    for (int i = 0; i < FPictureCollection->Count(); ++i)
        if (FPictureCollection->Items(i)->Name() == Value) {
            SetImageIndex(i);
            return;
        }
}

void TRdImageNote::SetLocked(bool Value) {
    FLocked = Value;
    if (!Value) return;
    FOldLeft = Left();
    FOldTop = Top();
    FOldWidth = Width();
    FOldHeight = Height();
}

void TRdImageNote::RestoreLockedBounds() {
    if (!FLocked) return;
    if (Top() != FOldTop) SetTop(FOldTop);
    if (Left() != FOldLeft) SetLeft(FOldLeft);
    if (Width() != FOldWidth) SetWidth(FOldWidth);
    if (Height() != FOldHeight) SetHeight(FOldHeight);
}

void TRdImageNote::PictureChanged(tk::TObject* Sender) {
    FPictureByImageIndex = -1;
    TRdImage::PictureChanged(Sender);
}

void TRdImageNote::Invalidate() {
    if (InState(tk::csLoading)) return;
    TRdImage::Invalidate();
}

void TRdImageNote::Loaded() {
    TRdImage::Loaded();
    if (InRange(FImageIndex)) Reapply();
}

void TRdImageNote::DefineProperties(tk::TFiler& Filer) {
    TRdImage::DefineProperties(Filer);
    SetLocked(FLocked);
}

} // namespace vell::rd
