#include "gdi32/fonts.h"

#include "host/codepage.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <array>
#include <map>
#include <mutex>
#include <string_view>
#include <unordered_map>

namespace platform::gdi {
namespace {

// The size asked for by lfHeight 0.
constexpr int DEFAULT_CELL_HEIGHT = 16;
// Heights beyond this are clamped: glyphs of thousands of pixels are of no use on a screen and
// would cost memory for every cached glyph.
constexpr int MAX_PIXEL_SIZE = 1024;
// How many faces of fontconfig's ordered list are tried for a character the face lacks.
constexpr int MAX_FALLBACK_FACES = 24;

FT_Library Library() {
    static FT_Library library = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0)
            l = nullptr;
        return l;
    }();
    return library;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

struct Alias {
    std::string_view face;
    std::vector<std::string_view> families;
    bool japanese;
};

// Windows faces that fontconfig knows no substitute for. Times New Roman, Arial and Courier
// New are left to fontconfig, whose metric aliases map them to the Liberation faces.
const std::vector<Alias>& Aliases() {
    static const std::vector<Alias> aliases = {
        {"MS Shell Dlg", {"Liberation Sans", "DejaVu Sans", "sans-serif"}, false},
        {"MS Shell Dlg 2", {"Liberation Sans", "DejaVu Sans", "sans-serif"}, false},
        {"MS Sans Serif", {"Liberation Sans", "DejaVu Sans", "sans-serif"}, false},
        {"Microsoft Sans Serif", {"Liberation Sans", "DejaVu Sans", "sans-serif"}, false},
        {"System", {"Liberation Sans", "DejaVu Sans", "sans-serif"}, false},
        {"Tahoma", {"DejaVu Sans", "Liberation Sans", "sans-serif"}, false},
        {"Segoe UI", {"DejaVu Sans", "Liberation Sans", "sans-serif"}, false},
        {"Verdana", {"DejaVu Sans", "sans-serif"}, false},
        {"Courier", {"Liberation Mono", "DejaVu Sans Mono", "monospace"}, false},
        {"Fixedsys", {"Liberation Mono", "DejaVu Sans Mono", "monospace"}, false},
        {"Terminal", {"Liberation Mono", "DejaVu Sans Mono", "monospace"}, false},
        {"MS UI Gothic", {"IPAPGothic", "IPAGothic", "VL PGothic", "Noto Sans CJK JP"}, true},
        {"MS PGothic", {"IPAPGothic", "IPAGothic", "VL PGothic", "Noto Sans CJK JP"}, true},
        {"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
         {"IPAPGothic", "IPAGothic", "VL PGothic", "Noto Sans CJK JP"},
         true}, // the Japanese name of MS PGothic
        {"MS Gothic", {"IPAGothic", "VL Gothic", "Noto Sans Mono CJK JP"}, true},
        {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
         {"IPAGothic", "VL Gothic", "Noto Sans Mono CJK JP"},
         true}, // the Japanese name of MS Gothic
        {"Meiryo", {"IPAPGothic", "Noto Sans CJK JP", "IPAGothic"}, true},
        {"Meiryo UI", {"IPAPGothic", "Noto Sans CJK JP", "IPAGothic"}, true},
        {"\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xAA\xE3\x82\xAA",
         {"IPAPGothic", "Noto Sans CJK JP", "IPAGothic"},
         true}, // Meiryo
        {"Yu Gothic", {"IPAPGothic", "Noto Sans CJK JP", "IPAGothic"}, true},
        {"Yu Gothic UI", {"IPAPGothic", "Noto Sans CJK JP", "IPAGothic"}, true},
        {"MS Mincho", {"IPAMincho", "IPAPMincho", "Noto Serif CJK JP", "IPAGothic"}, true},
        {"MS PMincho", {"IPAPMincho", "IPAMincho", "Noto Serif CJK JP", "IPAPGothic"}, true},
        {"Yu Mincho", {"IPAPMincho", "IPAMincho", "Noto Serif CJK JP", "IPAPGothic"}, true},
    };
    return aliases;
}

struct FaceSource {
    std::string file;
    int index = 0;
    FcCharSet* charset = nullptr; // owned
};

struct Matched {
    std::string family;
    FaceSource primary;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    std::vector<FaceSource> fallbacks;
};

// fontconfig's ordered choice for a LOGFONTA: the first is the match, the rest the faces for
// characters that the match lacks.
Matched MatchFont(const LOGFONTA& lf) {
    Matched matched;
    static std::once_flag fc_once;
    std::call_once(fc_once, [] { FcInit(); });

    std::string face = host::AnsiToUtf8(
        std::string_view(lf.lfFaceName, strnlen(lf.lfFaceName, sizeof lf.lfFaceName)));
    bool japanese = lf.lfCharSet == SHIFTJIS_CHARSET;
    std::vector<std::string> families;
    if (!face.empty())
        families.push_back(face);
    for (const Alias& alias : Aliases()) {
        if (EqualsIgnoreCase(alias.face, face)) {
            families.insert(families.end(), alias.families.begin(), alias.families.end());
            japanese = japanese || alias.japanese;
            break;
        }
    }
    if (families.empty())
        families.push_back((lf.lfPitchAndFamily & 0xF0) == FF_ROMAN ? "serif" : "sans-serif");

    FcPattern* pattern = FcPatternCreate();
    for (const std::string& family : families)
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min<LONG>(lf.lfWeight, 1000);
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, lf.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (japanese)
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcFontSet* set = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
    if (set) {
        for (int i = 0; i < set->nfont && i <= MAX_FALLBACK_FACES; ++i) {
            FcPattern* font = set->fonts[i];
            FcChar8* file = nullptr;
            if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
                continue;
            FaceSource source;
            source.file = reinterpret_cast<const char*>(file);
            FcPatternGetInteger(font, FC_INDEX, 0, &source.index);
            FcCharSet* charset = nullptr;
            if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) == FcResultMatch)
                source.charset = FcCharSetCopy(charset);
            if (matched.primary.file.empty()) {
                FcChar8* family = nullptr;
                if (FcPatternGetString(font, FC_FAMILY, 0, &family) == FcResultMatch)
                    matched.family = reinterpret_cast<const char*>(family);
                FcPatternGetInteger(font, FC_WEIGHT, 0, &matched.weight);
                FcPatternGetInteger(font, FC_SLANT, 0, &matched.slant);
                matched.primary = source;
            } else {
                matched.fallbacks.push_back(source);
            }
        }
        FcFontSetDestroy(set);
    }
    FcPatternDestroy(pattern);
    return matched;
}

struct Face {
    FT_Face face = nullptr;
    FcCharSet* charset = nullptr;
    bool tried = false; // opened, or failed to open, once
    ~Face() {
        if (face)
            FT_Done_Face(face);
        if (charset)
            FcCharSetDestroy(charset);
    }
};

class FreeTypeFont final : public FontInstance {
public:
    explicit FreeTypeFont(const LOGFONTA& lf) {
        Matched matched = MatchFont(lf);
        family_ = matched.family;
        file_ = matched.primary.file;
        mono_ = lf.lfQuality == NONANTIALIASED_QUALITY;
        int weight = lf.lfWeight <= 0 ? FW_NORMAL : lf.lfWeight;
        embolden_ = weight >= FW_SEMIBOLD && matched.weight < FC_WEIGHT_DEMIBOLD;
        oblique_ = lf.lfItalic && matched.slant == FC_SLANT_ROMAN;

        faces_.push_back(std::make_unique<Face>());
        faces_[0]->charset = matched.primary.charset;
        if (Library() && !file_.empty() &&
            FT_New_Face(Library(), file_.c_str(), matched.primary.index, &faces_[0]->face) != 0)
            faces_[0]->face = nullptr;
        faces_[0]->tried = true;
        for (FaceSource& source : matched.fallbacks) {
            auto face = std::make_unique<Face>();
            face->charset = source.charset;
            sources_.push_back({source.file, source.index});
            faces_.push_back(std::move(face));
        }
        ComputeMetrics(lf, weight);
    }

    const FontMetrics& Metrics() const override { return metrics_; }
    const std::string& Family() const override { return family_; }
    const std::string& File() const override { return file_; }

    const Glyph& GlyphOf(char32_t c) override {
        if (c < kDirectGlyphs) {
            if (!ascii_rendered_[c]) {
                ascii_[c] = Render(c);
                ascii_rendered_[c] = true;
            }
            return ascii_[c];
        }
        auto it = glyphs_.find(c);
        if (it != glyphs_.end())
            return it->second;
        // A text of ever new characters (a long Japanese list) must not grow the cache without
        // end: when it is full it starts again.
        if (glyphs_.size() >= kMaxCachedGlyphs)
            glyphs_.clear();
        return glyphs_.emplace(c, Render(c)).first->second;
    }

private:
    struct Units {
        double ascent, descent, line_gap, upem;
    };

    static Units UnitsOf(FT_Face face) {
        Units u{0.8, 0.2, 0, 1};
        if (!face)
            return u;
        u.upem = face->units_per_EM ? face->units_per_EM : 1000;
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        // The system's cell is the OS/2 table's Windows ascent and descent.
        if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
            u.ascent = os2->usWinAscent;
            u.descent = os2->usWinDescent;
        } else {
            u.ascent = face->ascender;
            u.descent = -face->descender;
        }
        auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
        if (hhea) {
            double gap =
                hhea->Line_Gap - ((u.ascent + u.descent) - (hhea->Ascender - hhea->Descender));
            u.line_gap = std::max(0.0, gap);
        }
        if (u.ascent + u.descent <= 0) {
            u.ascent = 0.8 * u.upem;
            u.descent = 0.2 * u.upem;
        }
        return u;
    }

    void ComputeMetrics(const LOGFONTA& lf, int weight) {
        FT_Face face = faces_[0]->face;
        Units u = UnitsOf(face);
        double cell_per_em = (u.ascent + u.descent) / u.upem;
        // Negative heights name the character height (the em), positive ones the cell.
        int64_t height = lf.lfHeight == 0 ? DEFAULT_CELL_HEIGHT : lf.lfHeight;
        int64_t em = height < 0 ? -height : std::lround(height / cell_per_em);
        ppem_ = static_cast<int>(std::clamp<int64_t>(em, 1, MAX_PIXEL_SIZE));
        double scale = ppem_ / u.upem;
        metrics_.ascent = static_cast<int>(std::lround(u.ascent * scale));
        metrics_.descent = static_cast<int>(std::lround(u.descent * scale));
        metrics_.height = metrics_.ascent + metrics_.descent;
        if (height > 0 && height <= MAX_PIXEL_SIZE) {
            // A cell height is kept exactly; the rounding goes into the descent.
            metrics_.height = static_cast<int>(height);
            metrics_.descent = std::max(0, metrics_.height - metrics_.ascent);
            metrics_.ascent = metrics_.height - metrics_.descent;
        }
        metrics_.internal_leading = std::max(0, metrics_.height - ppem_);
        metrics_.external_leading = static_cast<int>(std::lround(u.line_gap * scale));
        metrics_.weight = weight;
        metrics_.italic = lf.lfItalic != 0;
        metrics_.underline = lf.lfUnderline != 0;
        metrics_.strike_out = lf.lfStrikeOut != 0;
        metrics_.charset = lf.lfCharSet;
        metrics_.underline_thickness = std::max(1, ppem_ / 14);
        metrics_.underline_position = std::max(1, metrics_.descent / 2);
        if (face) {
            FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem_));
            auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            if (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0)
                metrics_.ave_char_width = static_cast<int>(std::lround(os2->xAvgCharWidth * scale));
            metrics_.max_char_width =
                static_cast<int>(std::lround((face->bbox.xMax - face->bbox.xMin) * scale));
            bool fixed = FT_IS_FIXED_WIDTH(face);
            // TMPF_FIXED_PITCH set means variable pitch, as the system has it.
            metrics_.pitch_and_family =
                static_cast<BYTE>((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE |
                                  (lf.lfPitchAndFamily & 0xF0));
        }
        if (metrics_.ave_char_width <= 0)
            metrics_.ave_char_width = std::max(1, GlyphOf(U'x').advance);
        if (metrics_.max_char_width <= 0)
            metrics_.max_char_width = metrics_.ave_char_width;
    }

    // The face to draw c with: the matched face when it has the character, else the first
    // fallback that has it, else the matched face (its missing-glyph box).
    std::pair<FT_Face, FT_UInt> FaceFor(char32_t c) {
        for (size_t i = 0; i < faces_.size(); ++i) {
            Face& face = *faces_[i];
            if (i > 0) {
                if (!face.charset || !FcCharSetHasChar(face.charset, c))
                    continue;
                if (!face.tried) {
                    face.tried = true;
                    const auto& source = sources_[i - 1];
                    if (!Library() || FT_New_Face(Library(), source.first.c_str(), source.second,
                                                  &face.face) != 0)
                        face.face = nullptr;
                    else
                        FT_Set_Pixel_Sizes(face.face, 0, static_cast<FT_UInt>(ppem_));
                }
            }
            if (!face.face)
                continue;
            FT_UInt index = FT_Get_Char_Index(face.face, c);
            if (index != 0)
                return {face.face, index};
        }
        return {faces_[0]->face, 0};
    }

    Glyph Render(char32_t c) {
        Glyph glyph;
        // Control characters take no room and draw nothing.
        if (c < 0x20 || c == 0x7F)
            return glyph;
        auto [face, index] = FaceFor(c);
        if (!face)
            return glyph;
        FT_Int32 load = FT_LOAD_DEFAULT | (mono_ ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
        if (FT_Load_Glyph(face, index, load) != 0)
            return glyph;
        FT_GlyphSlot slot = face->glyph;
        if (embolden_)
            FT_GlyphSlot_Embolden(slot);
        if (oblique_)
            FT_GlyphSlot_Oblique(slot);
        glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, mono_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
            return glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.width = static_cast<int>(bitmap.width);
        glyph.height = static_cast<int>(bitmap.rows);
        glyph.stride = (glyph.width + 3) / 4 * 4;
        glyph.coverage.assign(static_cast<size_t>(glyph.stride) * glyph.height, 0);
        int pitch = std::abs(bitmap.pitch);
        for (int y = 0; y < glyph.height; ++y) {
            int src_row = bitmap.pitch >= 0 ? y : glyph.height - 1 - y;
            const uint8_t* row = bitmap.buffer + static_cast<size_t>(src_row) * pitch;
            uint8_t* out = glyph.coverage.data() + static_cast<size_t>(y) * glyph.stride;
            for (int x = 0; x < glyph.width; ++x) {
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                    out[x] = static_cast<uint8_t>(
                        bitmap.num_grays == 256
                            ? row[x]
                            : row[x] * 255 / std::max<unsigned>(1, bitmap.num_grays - 1));
            }
        }
        return glyph;
    }

    std::string family_;
    std::string file_;
    int ppem_ = 1;
    bool mono_ = false;
    bool embolden_ = false;
    bool oblique_ = false;
    FontMetrics metrics_;
    std::vector<std::unique_ptr<Face>> faces_;
    std::vector<std::pair<std::string, int>> sources_; // of faces_[1..]
    // ASCII, which nearly every text is made of, in place; other characters in a bounded map.
    static constexpr char32_t kDirectGlyphs = 128;
    static constexpr size_t kMaxCachedGlyphs = 1024;
    std::array<Glyph, kDirectGlyphs> ascii_;
    std::array<bool, kDirectGlyphs> ascii_rendered_{};
    std::unordered_map<char32_t, Glyph> glyphs_;
};

} // namespace

std::shared_ptr<FontInstance> OpenFont(const LOGFONTA& logfont) {
    // Instances are shared by every font of the same description and kept for the process:
    // the program recreates its row font at every apply of the options.
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<FontInstance>> cache;
    LOGFONTA key_font = logfont;
    size_t face_length = strnlen(key_font.lfFaceName, sizeof key_font.lfFaceName);
    std::memset(key_font.lfFaceName + face_length, 0, sizeof key_font.lfFaceName - face_length);
    std::string key(reinterpret_cast<const char*>(&key_font), sizeof key_font);
    std::lock_guard lock(mutex);
    auto& slot = cache[key];
    if (!slot)
        slot = std::make_shared<FreeTypeFont>(key_font);
    return slot;
}

} // namespace platform::gdi

namespace platform::gdi {

std::vector<std::string> FontFamilies() {
    static std::once_flag fc_once;
    std::call_once(fc_once, [] { FcInit(); });
    std::vector<std::string> names;
    auto add = [&](const std::string& utf8) {
        std::string ansi = host::Utf8ToAnsi(utf8);
        // A name that the code page cannot hold could not be written back to a LOGFONTA.
        if (ansi.empty() || ansi.size() >= LF_FACESIZE || host::AnsiToUtf8(ansi) != utf8)
            return;
        for (const std::string& have : names)
            if (EqualsIgnoreCase(have, ansi))
                return;
        names.push_back(std::move(ansi));
    };
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet* set = FcFontList(nullptr, pattern, objects)) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch)
                add(reinterpret_cast<const char*>(family));
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);

    // The Windows faces that fontconfig maps to a face of the same metrics are there too, as
    // programs store them ("Times New Roman" as the default of many a LOGFONTA).
    struct MetricAlias {
        const char* face;
        std::vector<std::string_view> compatible;
    };
    const MetricAlias metric_aliases[] = {
        {"Times New Roman", {"Liberation Serif", "Tinos"}},
        {"Arial", {"Liberation Sans", "Arimo"}},
        {"Courier New", {"Liberation Mono", "Cousine"}},
    };
    for (const MetricAlias& alias : metric_aliases) {
        LOGFONTA lf{};
        std::strncpy(lf.lfFaceName, alias.face, LF_FACESIZE - 1);
        const std::string family = MatchFont(lf).family;
        for (std::string_view compatible : alias.compatible)
            if (EqualsIgnoreCase(family, compatible))
                add(alias.face);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](char x, char y) { return std::tolower(uint8_t(x)) < std::tolower(uint8_t(y)); });
    });
    return names;
}

} // namespace platform::gdi
