#include "tools/vskin/skin_check.h"

#include "core/color/colors.h"
#include "core/design/design_rect.h"
#include "core/forms/value.h"
#include "core/ini/ini_sections.h"
#include "core/png/codec.h"
#include "core/rdg/rdg_file.h"
#include "core/rdg/reference_text.h"
#include "core/skin/match_spec.h"
#include "core/skin/skin_colors.h"
#include "core/text/codec.h"
#include "core/text/strings.h"
#include "core/text/utf.h"
#include "tools/vskin/package_files.h"
#include "tools/vskin/text_check.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace vell::vskin {

namespace {

using text::sameTextAscii;
using text::u16;
using text::utf16ToUtf8;

std::u16string up(std::u16string_view s) {
    return text::upperCase(s);
}
std::string u8(std::u16string_view s) {
    return utf16ToUtf8(s);
}

std::u16string nameOf(const std::u16string& line) {
    return line.substr(0, line.find(u'='));
}
std::u16string valueOf(const std::u16string& line) {
    const std::size_t eq = line.find(u'=');
    return eq == std::u16string::npos ? std::u16string() : line.substr(eq + 1);
}

std::u16string key3(std::u16string_view a, std::u16string_view b, std::u16string_view c) {
    return up(a) + u'\x01' + up(b) + u'\x01' + up(c);
}

class Checker {
  public:
    explicit Checker(SkinSet& set) : set_(set) {}

    std::vector<Finding> Run() {
        checkTextFiles();
        readOrigins();
        checkSections();
        checkColours();
        checkRdgFiles();
        checkPictures();
        checkTintPatterns();
        std::stable_sort(out_.begin(), out_.end(), [](const Finding& a, const Finding& b) {
            return std::tie(a.at.package, a.at.path, a.at.line) <
                   std::tie(b.at.package, b.at.path, b.at.line);
        });
        return std::move(out_);
    }

  private:
    void error(const Location& at, std::string message) {
        out_.push_back(Finding{at, true, std::move(message)});
    }
    void warning(const Location& at, std::string message) {
        out_.push_back(Finding{at, false, std::move(message)});
    }

    Location originOf(std::u16string_view cls, std::u16string_view section, std::u16string_view key) const {
        auto it = origin_.find(key3(cls, section, key));
        if (it != origin_.end()) return it->second;
        auto sec = sectionAt_.find(key3(cls, section, u""));
        return sec != sectionAt_.end() ? sec->second : Location{};
    }

    // visit(package, entry index, entry) for every file of the packages that answer.
    template <class Visit> void forEachFile(Visit visit) const {
        for (const SkinSet::Package& p : set_.Packages()) {
            if (!p.answers) continue;
            for (std::size_t i = 0; i < p.archive->entryCount(); ++i)
                if (!p.archive->entry(i).isFolder()) visit(p, i, p.archive->entry(i));
        }
    }

    // ---- text files ----

    void checkTextFiles() {
        std::vector<std::uint8_t> bytes;
        forEachFile([&](const SkinSet::Package& p, std::size_t i, const zip::ZipEntry& e) {
            const bool textFile = HasExtension(e.name, ".ini") || HasExtension(e.name, ".rdg");
            if (!textFile && !HasExtension(e.name, ".png")) return;
            const zip::ZipError err = p.archive->read(i, bytes);
            if (err != zip::ZipError::None) {
                error(Location{p.display, e.name, 0},
                      std::string("damaged entry (") + zip::errorText(err) + ")");
            } else if (!textFile) {
                checkPictureData(Location{p.display, e.name, 0}, bytes);
            } else if (auto problem = CheckTextEncoding(bytes)) {
                const Location at{p.display, e.name, problem->line};
                problem->error ? error(at, problem->message) : warning(at, problem->message);
            }
        });
    }

    void checkPictureData(const Location& at, const std::vector<std::uint8_t>& bytes) {
        try {
            const png::BgraImage image = png::decodeToBgra(bytes);
            if (!image.hasImageData)
                error(at, "picture holds no image data: the product draws it transparent");
            else if (image.data == png::DecodeResult::Damaged)
                error(at, "picture data is damaged (a CRC or the compressed data): the product draws it "
                          "transparent");
            else if (image.data == png::DecodeResult::Truncated)
                error(at, "picture data ends early: the product draws the rows after it transparent");
        } catch (const std::exception& e) {
            error(at, std::string("picture does not decode: ") + e.what());
        }
    }

    // ---- where each line stands ----

    // Parses one INI file with the product's reader and hears where every line went.
    // visit(section, class, key, line's location, header's location) for each line of the
    // sections that count (key empty, once, for a section without lines).
    template <class Visit> void parseIni(const std::u16string& name, bool reportDuplicates, Visit visit) {
        std::vector<std::uint8_t> bytes;
        if (!set_.Read(name, bytes)) return;
        const Location file = set_.Locate(set_.ResourcePath(name), 0);
        auto at = [&](int line) { return Location{file.package, file.path, line}; };
        TIniSections sections;
        std::vector<std::vector<int>> lineNo; // per section: header line, then each line's
        sections.SetStrings(text::splitLines(text::decodeText(bytes)), [&](std::size_t source, int s, int) {
            if (std::size_t(s) >= lineNo.size()) lineNo.resize(std::size_t(s) + 1);
            lineNo[std::size_t(s)].push_back(int(source) + 1);
        });
        std::map<std::u16string, int> firstHeader;
        for (int s = 0; s < sections.Count(); ++s) {
            const std::u16string& section = sections.Name(s);
            const std::vector<int>& lineOf = lineNo[std::size_t(s)];
            const Location header = at(lineOf[0]);
            const auto [first, fresh] = firstHeader.emplace(up(section), lineOf[0]);
            if (!fresh) {
                if (reportDuplicates)
                    error(header, "section [" + u8(section) + "] appears again; only the first (line " +
                                      std::to_string(first->second) + ") is read");
                continue;
            }
            TIniHashedStringList& lines = sections.Lines(s);
            const int classIndex = lines.IndexOfName(u"class");
            const std::u16string cls = classIndex >= 0 ? lines.ValueFromIndex(classIndex) : u"";
            classes_.insert(up(cls));
            className_[up(cls)] = cls;
            std::map<std::u16string, int> seen;
            for (int k = 0; k < lines.Count(); ++k) {
                const std::u16string key = nameOf(lines.Strings(k));
                const Location loc = at(lineOf[std::size_t(k) + 1]);
                const auto [was, isNew] = seen.emplace(up(key), loc.line);
                if (!isNew && reportDuplicates)
                    error(loc, "key " + u8(key) + " appears twice in [" + u8(section) + "] (first on line " +
                                   std::to_string(was->second) + ")");
                visit(section, cls, key, loc, header);
            }
            if (lines.Count() == 0) visit(section, cls, u"", Location{}, header);
        }
    }

    void readOrigins() {
        for (const std::u16string& file : skin::SkinIniFiles(set_.Reader(), set_.SkinName()))
            parseIni(file, true,
                     [&](const std::u16string& section, const std::u16string& cls, const std::u16string& key,
                         const Location& at, const Location& header) {
                         sectionAt_.emplace(key3(cls, section, u""), header);
                         if (!key.empty()) origin_[key3(cls, section, key)] = at;
                     });
        TMemIniFile colours;
        colorFile_ = skin::ReadColorSettings(colours, set_.Reader());
        if (!colorFile_.empty())
            parseIni(colorFile_, false,
                     [&](const std::u16string& section, const std::u16string&, const std::u16string& key,
                         const Location& at,
                         const Location&) { colorOrigin_[key3(u"", section, key)] = at; });
    }

    // ---- sections ----

    void checkSections() {
        skin::SkinClassTable& table = set_.Caches().ClassTable;
        for (const std::u16string& clsKey : classes_) {
            const std::u16string cls = className_[clsKey];
            std::map<const skin::TRdValueStrings*, std::u16string> names;
            table.ForEachSection(
                cls, [&](const std::u16string& name, skin::TRdValueStrings& lines) { names[&lines] = name; });
            std::set<const skin::TRdValueStrings*> reported;
            table.ForEachSection(cls, [&](const std::u16string& name, skin::TRdValueStrings& lines) {
                checkParent(cls, name, lines, names, reported);
                // Colour sections are colours; sections without a class reach no control.
                if (cls.empty() || sameTextAscii(cls, u"color")) return;
                if (sameTextAscii(cls, u"image")) {
                    if (lines.IndexOfName(u"imgname") >= 0) checkDefinition(name);
                    return;
                }
                for (int k = 0; k < lines.Count(); ++k) {
                    const std::u16string line = lines.Strings(k);
                    const Location at = originOf(cls, name, nameOf(line));
                    checkLineValue(nameOf(line), valueOf(line), at);
                }
            });
        }
    }

    void checkParent(const std::u16string& cls, const std::u16string& name, skin::TRdValueStrings& lines,
                     const std::map<const skin::TRdValueStrings*, std::u16string>& names,
                     std::set<const skin::TRdValueStrings*>& reported) {
        const int index = lines.IndexOfName(u"parent");
        if (index < 0) return;
        const std::u16string parent = lines.ValueFromIndex(index);
        if (parent.empty()) return;
        const Location at = originOf(cls, name, u"parent");
        const std::string where = cls.empty() ? "without a class" : "of class " + u8(cls);
        if (text::sameText(parent, name)) {
            error(at, "section [" + u8(name) + "] names itself as parent");
            return;
        }
        skin::SkinClassTable& table = set_.Caches().ClassTable;
        if (!table.Find(cls, parent)) {
            std::string elsewhere;
            for (const std::u16string& other : classes_)
                if (table.Find(className_[other], parent))
                    elsewhere = " (that section has class " + u8(className_[other]) + ")";
            error(at, "parent [" + u8(parent) + "] is no section " + where + elsewhere);
            return;
        }
        if (reported.count(&lines)) return;
        std::vector<const skin::TRdValueStrings*> chain{&lines};
        for (const skin::TRdValueStrings* p = lines.Parent;
             p && chain.size() <= skin::TRdValueStrings::kMaxInheritance; p = p->Parent) {
            if (p == &lines) {
                std::string text = "parent chain runs in a cycle: ";
                for (const skin::TRdValueStrings* member : chain) {
                    text += "[" + u8(names.at(member)) + "] -> ";
                    reported.insert(member);
                }
                error(at, text + "[" + u8(name) + "]");
                return;
            }
            if (std::find(chain.begin(), chain.end(), p) != chain.end()) return; // a loop further up
            chain.push_back(p);
        }
    }

    void checkDefinition(const std::u16string& name) {
        std::vector<std::u16string> lines;
        {
            std::lock_guard guard(set_.Caches().ImageDefinitionsLock);
            if (const skin::TRdValueStrings* def =
                    skin::FindImageDefinition(set_.Caches(), u"[" + name + u"]"))
                for (int i = 0; i < def->Count(); ++i)
                    lines.push_back(def->Strings(i));
        }
        checkReference(lines, originOf(u"image", name, u"imgname"));
    }

    // A skin line: a reference text in its value, or a colour name.
    void checkLineValue(const std::u16string& key, const std::u16string& value, const Location& at) {
        std::vector<std::u16string> strings;
        const std::string v8 = u8(value);
        if (forms::isLiteralStart(v8)) {
            try {
                const forms::Value v = forms::parseValue(v8);
                if (v.kind == forms::ValueKind::String) strings.push_back(v.text);
                for (const forms::Value& item : v.list)
                    if (item.kind == forms::ValueKind::String) strings.push_back(item.text);
            } catch (const forms::ParseError& e) {
                error(at, "value of " + u8(key) + " does not parse: " + e.what());
                return;
            }
        } else {
            strings.push_back(value);
            checkColourName(key, value, at);
        }
        const bool isReference = std::any_of(strings.begin(), strings.end(), [](const std::u16string& s) {
            return sameTextAscii(text::trim(nameOf(s)), u"imgname");
        });
        if (isReference) checkReference(strings, at);
    }

    void checkColourName(const std::u16string& key, const std::u16string& value, const Location& at) {
        const std::size_t dot = key.rfind(u'.');
        const std::u16string last = dot == std::u16string::npos ? key : key.substr(dot + 1);
        if (last.size() < 5 || !sameTextAscii(std::u16string_view(last).substr(last.size() - 5), u"color"))
            return;
        if (value.empty() || value.find(u'.') == std::u16string::npos) return;
        const auto identChar = [](char16_t c) {
            return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                   c == u'_' || c == u'.';
        };
        if (!std::all_of(value.begin(), value.end(), identChar) || (value[0] >= u'0' && value[0] <= u'9'))
            return;
        if (!colourDefined(value)) error(at, "colour " + u8(value) + " is not defined");
    }

    static bool colourDefined(std::u16string_view name) {
        TPointerHash& table = ColorItemTable();
        table.Lock();
        const TRccColorItem* item = FindColorItem(ColorNameKey(name));
        const bool defined = item && item->NameIndex != kUnresolvedColor;
        table.UnLock();
        return defined;
    }

    // ---- references ----

    void checkReference(const std::vector<std::u16string>& lines, const Location& at) {
        rdg::RdgValues v;
        design::TDesignRect option;
        rdg::LoadFromStrings(v, option, lines, false, true);
        if (!v.PlayImgNameBase.empty()) {
            if (!v.PlayIndexList) return;
            std::set<int> frames;
            for (const rdg::PlayEntry& entry : v.PlayIndexList->entries)
                if (entry.kind == rdg::PlayEntryKind::Frame) frames.insert(entry.value);
            for (int frame : frames)
                checkName(rdg::FrameName(v.PlayImgNameBase, frame), at);
            return;
        }
        if (!v.ImgName.empty()) checkName(v.ImgName, at);
    }

    void checkName(const std::u16string& name, const Location& at) {
        if (name.size() >= 2 && name.front() == u'[' && name.back() == u']') {
            std::lock_guard guard(set_.Caches().ImageDefinitionsLock);
            if (!skin::FindImageDefinition(set_.Caches(), name))
                error(at,
                      "imgname names the image definition " + u8(name) + ", which the skin does not define");
            return;
        }
        names_.push_back(name);
        if (set_.Exists(name))
            named_.insert(up(set_.ResourcePath(name)));
        else
            error(at, "imgname names " + u8(name) + ", which no package holds");
    }

    void checkRdgFiles() {
        std::vector<std::uint8_t> bytes;
        forEachFile([&](const SkinSet::Package& p, std::size_t i, const zip::ZipEntry& e) {
            if (!HasExtension(e.name, ".rdg") || p.archive->read(i, bytes) != zip::ZipError::None) return;
            const std::vector<std::u16string> lines = rdg::ReadRdgText(bytes);
            int line = 0;
            for (std::size_t k = 0; k < lines.size() && !line; ++k)
                if (sameTextAscii(text::trim(nameOf(lines[k])), u"imgname")) line = int(k) + 1;
            checkReference(lines, Location{p.display, e.name, line});
        });
    }

    // ---- colours ----

    struct ColourRef {
        std::u16string name;   // section.key
        std::u16string target; // the colour it names
        std::u16string value;
        Location at;
    };

    void checkColourSection(const std::u16string& section, const std::vector<std::u16string>& lines,
                            skin::ColorOrder order, bool fromSettings, std::vector<ColourRef>& refs) {
        for (const std::u16string& line : lines)
            if (sameTextAscii(nameOf(line), u"type"))
                order = sameTextAscii(valueOf(line), u"BGR") ? skin::ColorOrder::BGR : skin::ColorOrder::RGB;
        for (const std::u16string& line : lines) {
            const std::u16string key = nameOf(line), value = valueOf(line);
            if (value.empty() || sameTextAscii(key, u"type") || sameTextAscii(key, u"class") ||
                sameTextAscii(key, u"tint"))
                continue;
            Location at;
            if (fromSettings) {
                auto it = colorOrigin_.find(key3(u"", section, key));
                if (it != colorOrigin_.end()) at = it->second;
            } else {
                at = originOf(u"color", section, key);
            }
            if (std::u16string_view target; skin::ColorReferenceTarget(value, target)) {
                refs.push_back(ColourRef{section + u"." + key, std::u16string(target), value, at});
                continue;
            }
            std::uint32_t colour;
            bool canTint;
            if (!skin::ParseSkinColor(value, order, false, colour, canTint))
                error(at,
                      "colour value " + u8(value) + " of " + u8(section) + "." + u8(key) + " does not parse");
        }
    }

    void checkColours() {
        std::vector<ColourRef> refs;
        skin::SkinClassTable& table = set_.Caches().ClassTable;
        table.ForEachSection(u"color", [&](const std::u16string& name, skin::TRdValueStrings& lines) {
            std::vector<std::u16string> own;
            for (int i = 0; i < lines.Count(); ++i)
                own.push_back(lines.Strings(i));
            checkColourSection(name, own, skin::ColorOrder::RGB, false, refs);
        });
        if (!colorFile_.empty()) {
            TMemIniFile settings;
            skin::ReadColorSettings(settings, set_.Reader());
            const skin::ColorOrder order =
                sameTextAscii(settings.ReadString(u"validate", u"type", u"RGB"), u"BGR")
                    ? skin::ColorOrder::BGR
                    : skin::ColorOrder::RGB;
            // A main.ini serving as colour settings holds the skin's other sections too: those
            // with a class and the tint patterns are no colours to its author.
            const bool mainIni = sameTextAscii(colorFile_, u"main.ini");
            for (const std::u16string& section : settings.ReadSections()) {
                if (sameTextAscii(section, u"validate")) continue;
                if (mainIni &&
                    (sameTextAscii(section, u"tintpng") || settings.ValueExists(section, u"class")))
                    continue;
                checkColourSection(section, settings.ReadSectionValues(section), order, true, refs);
            }
        }
        std::map<std::u16string, const ColourRef*> byName;
        for (const ColourRef& r : refs)
            byName[up(r.name)] = &r;
        for (const ColourRef& r : refs) {
            if (colourDefined(r.name)) continue;
            std::vector<std::u16string> chain{r.name};
            std::u16string next = r.target;
            std::string message;
            for (;;) {
                const auto loop = std::find_if(chain.begin(), chain.end(), [&](const std::u16string& n) {
                    return text::sameText(n, next);
                });
                if (loop != chain.end()) {
                    std::string text;
                    for (auto it = loop; it != chain.end(); ++it)
                        text += u8(*it) + " -> ";
                    message =
                        loop == chain.begin()
                            ? "colour reference " + u8(r.value) + " runs in a cycle: " + text + u8(next)
                            : "colour reference " + u8(r.value) + " leads into a cycle: " + text + u8(next);
                    break;
                }
                auto it = byName.find(up(next));
                if (it == byName.end() || colourDefined(next)) {
                    message = chain.size() == 1 ? "colour reference " + u8(r.value) + " names no colour"
                                                : "colour reference " + u8(r.value) +
                                                      " does not resolve: " + u8(next) + " names no colour";
                    break;
                }
                chain.push_back(next);
                next = it->second->target;
            }
            error(r.at, message);
        }
    }

    // ---- pictures and tint patterns ----

    void checkPictures() {
        forEachFile([&](const SkinSet::Package& p, std::size_t, const zip::ZipEntry& e) {
            if (HasExtension(e.name, ".png") && !named_.count(up(u16(":/" + p.name + "/" + e.name))))
                warning(Location{p.display, e.name, 0}, "no line names this picture");
        });
    }

    void checkTintPatterns() {
        const skin::TRdValueStrings* patterns = set_.Caches().ClassTable.TintPatterns();
        if (!patterns) return;
        std::vector<std::u16string> candidates = names_;
        forEachFile([&](const SkinSet::Package& p, std::size_t, const zip::ZipEntry& e) {
            candidates.push_back(u16(":/" + p.name + "/" + e.name));
            if (u16(p.name) == set_.SkinName()) candidates.push_back(u16(e.name));
        });
        for (int i = 0; i < patterns->Count(); ++i) {
            const std::u16string& line = patterns->Strings(i);
            const std::u16string pattern = nameOf(line);
            const bool matches =
                std::any_of(candidates.begin(), candidates.end(),
                            [&](const std::u16string& c) { return skin::MatchSpec(c, pattern); });
            if (!matches)
                error(originOf(u"", u"tintpng", pattern),
                      "tint pattern " + u8(pattern) + " matches no picture");
        }
    }

    SkinSet& set_;
    std::vector<Finding> out_;
    std::map<std::u16string, Location> origin_;      // class, section, key -> the line that counts
    std::map<std::u16string, Location> sectionAt_;   // class, section -> its first header
    std::map<std::u16string, Location> colorOrigin_; // the colour settings' lines
    std::set<std::u16string> classes_;               // upper case
    std::map<std::u16string, std::u16string> className_;
    std::u16string colorFile_;
    std::set<std::u16string> named_;    // resource paths (upper case) that a line names
    std::vector<std::u16string> names_; // picture names as the lines write them
};

} // namespace

std::string FormatFinding(const Finding& f) {
    return f.at.package + ":" + f.at.path + ":" + std::to_string(f.at.line) + ": " +
           (f.error ? "error" : "warning") + ": " + f.message;
}

std::vector<Finding> CheckSkin(SkinSet& set) {
    return Checker(set).Run();
}

} // namespace vell::vskin
