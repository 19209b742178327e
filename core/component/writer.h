// Writing a component tree back as a text form description, and the property lines of one
// object as skin lines; what is written reads back (TReader) to equal values.
//
// A property is written when it is stored (its stored test) and differs from its default:
// ordinals from their declared default (none declared: always written), floats from 0,
// strings from the empty text, object properties when they hold an object. Nested
// persistent objects write their own properties under a dotted path (Font.Color),
// collections their items, component references the referenced component's name, events
// the bound method's name; defined properties (a string list's Strings) are written when
// they report data.
#pragma once
#include "core/component/classes.h"
#include "core/forms/description.h"

namespace vell::tk {

class TWriter {
  public:
    // Root: the component whose owned components references and children are named from.
    explicit TWriter(TComponent* Root);

    // The description of Root: its properties, then its children (GetChildren) as nested
    // objects, and theirs below them.
    forms::ObjectDescription WriteDescription();
    std::string WriteRootComponent();

    // The property lines of one object, their paths starting with Prefix. With
    // FlattenCollections, collection items become lines of their own (Items[1].Caption)
    // instead of one collection value, the form of skin lines.
    void WriteProperties(TPersistent& Instance, const std::string& Prefix,
                         std::vector<forms::PropertyLine>& Lines);

    bool FlattenCollections = false;
    // Consulted for the published properties of the object WriteProperties was called for
    // (not for nested objects); false leaves the property out.
    std::function<bool(const PropInfo&)> TopLevelFilter;

  private:
    forms::ObjectDescription WriteComponent(TComponent& Component, int Depth);
    void WriteObject(TPersistent& Instance, const std::string& Prefix,
                     std::vector<forms::PropertyLine>& Lines, int Depth);
    std::optional<forms::Value> PropertyValue(TPersistent& Instance, const PropInfo& Prop,
                                              const std::string& Path,
                                              std::vector<forms::PropertyLine>& Lines, int Depth);
    std::string ReferenceName(const TComponent& Component) const;

    TComponent* FRoot;
    std::vector<const TObject*> FPath; // the objects being written, outermost first
};

// "Path=Value" lines, each ended by CR LF, of the stored properties of Instance with
// collection items flattened (Items[0].Caption=...): what a skin section needs.
std::string WritePropertyLines(TPersistent& Instance, TComponent* Root = nullptr);

} // namespace vell::tk
