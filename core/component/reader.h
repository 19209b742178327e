// Reading a text form description into a tree of components.
//
// The root exists already (a form constructs itself and then reads its description); every
// nested object is created by class name with the root as owner, given its name and its
// parent, and read through its virtual ReadState. Component references are resolved by name
// once the whole tree is read; then every component read gets Loaded, the root first.
#pragma once
#include "core/component/classes.h"
#include "core/forms/description.h"

namespace vell::tk {

class TReader {
  public:
    explicit TReader(TComponent* Root);

    // Raises forms::ParseError for malformed text and EFilerError for descriptions that do
    // not fit the classes; components created before the failure are freed again.
    void ReadRootComponent(std::string_view text);
    void ReadRootComponent(const forms::ObjectDescription& description);

    TComponent* Root() const { return FRoot; }
    TComponent* Owner() const { return FOwner; }
    // The component that children read next are placed on (a windowed container sets itself).
    TComponent* Parent() const { return FParent; }
    void SetParent(TComponent* Value) { FParent = Value; }

    // Reads the properties and children of the description belonging to Instance. Called by
    // TComponent::ReadState.
    void ReadData(TComponent* Instance);

    // One property line: a dotted path from Instance (a part may select a collection item,
    // Items[2].Caption), then the value.
    void ReadProperty(TPersistent* Instance, const std::string& Path, const forms::Value& Value);
    // Assigns a literal value to one published property ("Invalid property value" when the
    // value's form does not suit the property's kind).
    void ReadPropValue(TPersistent* Instance, const PropInfo& Prop, const forms::Value& Value);

    // Offers the value to Instance's defined properties; true when one of them took it.
    static bool ReadDefinedProperty(TPersistent& Instance, std::string_view Name, const forms::Value& Value,
                                    TComponent* Root);
    // Reads the items of a collection literal into Collection (its items are replaced).
    void ReadCollection(class TCollection& Collection, const forms::Value& Value);

    // Skin lines: "Path=Value" applied to one object. A value that starts a literal
    // (# ' ( < [ {) is read as in form descriptions; any other value is plain text
    // converted by the property's kind: numbers, identifiers of integer types (colour
    // names), enumeration members, member names separated by commas for sets (empty: the
    // empty set), the text itself for strings, the first character for characters.
    // A line that names no property, a read-only property or a collection item that is not
    // there changes nothing. A value that does not suit its property is passed over by
    // Skip and raised by Raise.
    enum class TSkinMode { Skip, Raise };
    void ReadSkinLine(TPersistent* Instance, std::string_view Path, std::string_view Value,
                      TSkinMode Mode = TSkinMode::Skip);
    // A block of lines "Path=Value" (CR LF, LF or CR between them); lines without "=" are
    // not properties and are passed over.
    void ReadSkinLines(TPersistent* Instance, std::string_view Text, TSkinMode Mode = TSkinMode::Skip);

    virtual ~TReader() = default;

  protected:
    // Skin lines are offered to these as their path is followed. A derived reader (the
    // skin's) filters paths, guards pictures and marks what it set.
    // True skips the line: asked for the whole path, for every dotted prefix of it, and
    // for the bare name of a collection before an index.
    virtual bool SkinPathIgnored(std::string_view Path) { return false; }
    // Before a value goes to a defined property of Instance (Name is no published one);
    // false skips the line.
    virtual bool SkinValueAllowed(TPersistent* Instance, std::string_view Name) { return true; }
    // After a value was set: a published property, or a defined one (Published false).
    virtual void SkinValueRead(TPersistent* Instance, std::string_view Name, bool Published) {}

  private:
    bool ReadSkinDefined(TPersistent* Instance, std::string_view Name, std::string_view Value, bool Literal);
    TComponent* ReadComponent(const forms::ObjectDescription& description);
    // Follows Parts up to (not including) the last one; null with Why set when a part names
    // no object or no item that is there.
    TPersistent* FollowPath(TPersistent* Instance, const std::vector<std::string>& Parts, std::string& Why);
    // Null when the value was assigned, else why it does not suit the property.
    std::optional<std::string> AssignLiteral(TPersistent* Instance, const PropInfo& Prop,
                                             const forms::Value& Value);
    // Line is "Path=Value" for the message of an unknown identifier.
    std::optional<std::string> AssignNative(TPersistent* Instance, const PropInfo& Prop,
                                            std::string_view Text, const std::string& Line);
    void ResolveFixups();

    struct Fixup {
        TPersistent* instance;
        const PropInfo* prop;
        std::string name;
    };
    TComponent* FRoot;
    TComponent* FOwner;
    TComponent* FParent = nullptr;
    const forms::ObjectDescription* FCurrent = nullptr;
    std::vector<TComponent*> FLoaded;
    std::vector<Fixup> FFixups;
};

} // namespace vell::tk
