// Skin lines from arbitrary bytes applied to a small component tree (nested objects, a
// collection, string lists, sets, strings, a reference to a child), by the plain reader and
// by one that filters paths: never a crash or a hang. What the tree then holds must write out and read back:
// the description read into a fresh tree writes the same text again, and its skin lines apply without an
// error.
#include "core/component/writer.h"
#include "tests/support/component_fixture.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace vell::tk;
using namespace vell::tk::fixture;

namespace {

struct Tree {
    TRoot root{nullptr};
    Tree() {
        root.SetName("Root");
        for (int i = 0; i < 3; ++i)
            root.Items()->Add();
        auto* child = new TThing(&root);
        child->SetName("A");
        child->parent = &root;
        root.SetBuddy(child);
    }
};

// A reader that passes over some paths and defined properties, as the skin's reader does
// for a skin class's ignored values and the pictures it keeps.
class TFilteringReader : public TReader {
  public:
    using TReader::TReader;

  protected:
    bool SkinPathIgnored(std::string_view Path) override { return Path == "Items[1]" || Path == "Sub.Again"; }
    bool SkinValueAllowed(TPersistent*, std::string_view Name) override { return Name != "Data"; }
};

void apply(TRoot& root, std::string_view text, TReader::TSkinMode mode) {
    try {
        if (mode == TReader::TSkinMode::Raise)
            TFilteringReader(&root).ReadSkinLines(&root, text, mode);
        else
            TReader(&root).ReadSkinLines(&root, text, mode);
    } catch (const vell::forms::ParseError&) {
    } catch (const EFilerError&) {
    } catch (const EConvertError&) {   // a setter refusing the value
    } catch (const EComponentError&) { // a Name line that is no valid or free name
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Tree skipped;
    apply(skipped.root, text, TReader::TSkinMode::Skip);
    Tree raised;
    apply(raised.root, text, TReader::TSkinMode::Raise);

    const std::string description = TWriter(&skipped.root).WriteRootComponent();
    TRoot copy(nullptr);
    try {
        TReader(&copy).ReadRootComponent(description);
    } catch (...) {
        __builtin_trap(); // what the writer wrote must read back
    }
    if (TWriter(&copy).WriteRootComponent() != description) __builtin_trap();

    Tree fresh;
    try {
        TReader(&fresh.root)
            .ReadSkinLines(&fresh.root, WritePropertyLines(skipped.root, &skipped.root),
                           TReader::TSkinMode::Raise);
    } catch (...) {
        __builtin_trap();
    }
    return 0;
}
