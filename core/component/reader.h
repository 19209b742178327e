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

    // One property line: a dotted path from Instance, then the value.
    void ReadProperty(TPersistent* Instance, const std::string& Path, const forms::Value& Value);
    // Assigns a literal value to one published property ("Invalid property value" when the
    // value's form does not suit the property's kind).
    void ReadPropValue(TPersistent* Instance, const PropInfo& Prop, const forms::Value& Value);

    // Offers the value to Instance's defined properties; true when one of them took it.
    static bool ReadDefinedProperty(TPersistent& Instance, std::string_view Name, const forms::Value& Value,
                                    TComponent* Root);
    // Reads the items of a collection literal into Collection (its items are replaced).
    void ReadCollection(class TCollection& Collection, const forms::Value& Value);

private:
    TComponent* ReadComponent(const forms::ObjectDescription& description);
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
