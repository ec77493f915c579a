// Pictures that cost far more than they show: sizes past the limits, vast images behind a small
// screen, frames nobody draws, files cut short, more bytes or scans than any picture needs. Each
// file is made here, as small as its case allows.
#include "picture_files.h"

#include <olectl.h>
#include <png.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The limits a user meets: pixels on a side and in all, and bytes in the file.
constexpr int MAX_IMAGE_SIDE = 16384;
constexpr int64_t MAX_IMAGE_PIXELS = 8'388'608;
constexpr uint64_t MAX_PICTURE_BYTES = uint64_t{33} << 20;

// The largest picture of a common width, and the same one row higher.
constexpr int WIDE = 4096;
constexpr int HIGH = static_cast<int>(MAX_IMAGE_PIXELS / WIDE);

// An 8-bit run-length encoded bitmap whose codes end it at once: every pixel keeps palette
// entry 0. 60 bytes, whatever its size.
std::vector<char> RleBmp(int32_t width, int32_t height) {
    Writer w;
    w.Raw("BM").Le32(60).Le32(0).Le32(14 + 40 + 4);
    w.Le32(40).Le32(static_cast<uint32_t>(width)).Le32(static_cast<uint32_t>(height));
    w.Le16(1).Le16(8).Le32(1 /* RLE8 */).Le32(2).Le32(0).Le32(0).Le32(1).Le32(0);
    w.U8(0x30).U8(0x20).U8(0x10).U8(0);
    w.U8(0).U8(1);
    return w.bytes;
}

// The image data of `count` pixels of colour 0 as a GIF encoder writes it (minimum code size
// 2): each code the longest run the table holds, the table cleared when it is full. About 6 KB
// per 8 million pixels.
std::vector<char> GifRun(uint64_t count) {
    constexpr int CLEAR = 4, END = 5, FULL = 4095;
    std::vector<char> packed;
    uint32_t bits = 0;
    int held = 0, next = END + 1, width = 3, bound = 8;
    auto put = [&](int code) {
        bits |= static_cast<uint32_t>(code) << held;
        held += width;
        for (; held >= 8; held -= 8, bits >>= 8)
            packed.push_back(static_cast<char>(bits & 0xFF));
        if (next >= bound && code <= FULL)
            bound = 1 << ++width;
    };
    put(CLEAR);
    uint64_t longest = 1; // runs of 1 .. longest pixels have codes: 0, then END + 1 on
    for (uint64_t left = count; left > 0;) {
        uint64_t run = std::min(longest, left);
        put(run == 1 ? 0 : END + static_cast<int>(run) - 1);
        left -= run;
        if (left == 0)
            break;
        if (next >= FULL) {
            put(CLEAR);
            next = END + 1;
            width = 3;
            bound = 8;
            longest = 1;
        } else {
            ++next;
            ++longest;
        }
    }
    put(END);
    if (held > 0)
        packed.push_back(static_cast<char>(bits & 0xFF));
    Writer w;
    w.U8(2);
    for (size_t at = 0; at < packed.size(); at += 255) {
        size_t n = std::min<size_t>(255, packed.size() - at);
        w.U8(static_cast<unsigned>(n));
        w.bytes.insert(w.bytes.end(), packed.begin() + at, packed.begin() + at + n);
    }
    w.U8(0);
    return w.bytes;
}

struct GifFrame {
    int width, height;
    int left = 0, top = 0;
};

// A GIF of a two-colour screen and frames of colour 0.
std::vector<char> Gif(int screen_width, int screen_height, const std::vector<GifFrame>& frames) {
    Writer w;
    w.Raw("GIF89a").Le16(screen_width).Le16(screen_height).U8(0x80).U8(0).U8(0);
    w.U8(10).U8(20).U8(30).U8(200).U8(210).U8(220);
    for (const GifFrame& f : frames) {
        w.U8(',').Le16(f.left).Le16(f.top).Le16(f.width).Le16(f.height).U8(0);
        w.Raw(GifRun(uint64_t(f.width) * f.height));
    }
    w.U8(';');
    return w.bytes;
}

struct JpegShape {
    int width, height;
    int components = 1;
    bool progressive = false;
    int more_scans = 0; // progressive: scans of the first component's AC coefficients
};

// A flat grey JPEG whose Huffman tables hold one code of one bit each (DC difference 0, end of
// block), so that its data is all zero bits: two a block in a baseline scan, one in each scan of
// a progressive file. keep < 1 cuts the first scan's data to that part of it and drops the scans
// after it; `end` says whether the end marker follows.
std::vector<char> Jpeg(const JpegShape& s, double keep = 1, bool end = true) {
    Writer w;
    w.Be16(0xFFD8);
    w.Be16(0xFFDB).Be16(67).U8(0);
    for (int i = 0; i < 64; ++i)
        w.U8(1);
    w.Be16(s.progressive ? 0xFFC2 : 0xFFC0).Be16(8 + 3 * s.components).U8(8);
    w.Be16(s.height).Be16(s.width).U8(s.components);
    for (int c = 0; c < s.components; ++c)
        w.U8(c + 1).U8(0x11).U8(0);
    for (unsigned table : {0x00u, 0x10u}) {
        w.Be16(0xFFC4).Be16(20).U8(table).U8(1);
        w.Zeros(15).U8(0);
    }
    const uint64_t blocks = uint64_t((s.width + 7) / 8) * ((s.height + 7) / 8);
    auto scan = [&](int components, int first, int last, uint64_t bits, double part) {
        w.Be16(0xFFDA).Be16(6 + 2 * components).U8(components);
        for (int c = 0; c < components; ++c)
            w.U8(c + 1).U8(0);
        w.U8(first).U8(last).U8(0);
        w.Zeros(static_cast<size_t>(static_cast<double>((bits + 7) / 8) * part));
    };
    if (s.progressive) {
        scan(s.components, 0, 0, blocks * s.components, keep);
        for (int i = 0; i < s.more_scans && keep >= 1; ++i)
            scan(1, 1, 63, blocks, 1);
    } else {
        scan(s.components, 0, 63, 2 * blocks * s.components, keep);
    }
    if (end)
        w.Be16(0xFFD9);
    return w.bytes;
}

// A black PNG of one bit a pixel; its rows of zeros compress to almost nothing.
std::vector<char> Png(int width, int height) {
    std::vector<png_byte> zeros(static_cast<size_t>(width + 7) / 8, 0);
    return PngFile({width, height, 1}, [&](int) { return zeros; });
}

// An icon file holding one image, a PNG.
std::vector<char> PngIcon(int width, int height) {
    std::vector<char> png = Png(width, height);
    Writer w;
    w.Le16(0).Le16(1).Le16(1);
    w.U8(0).U8(0).U8(0).U8(0).Le16(1).Le16(32).Le32(static_cast<uint32_t>(png.size())).Le32(22);
    w.Raw(png);
    return w.bytes;
}

void ExpectSize(IPicture* picture, int width, int height) {
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    picture->get_Width(&w);
    picture->get_Height(&h);
    EXPECT_EQ(w, static_cast<LONG>((int64_t{width} * 2540 + 48) / 96));
    EXPECT_EQ(h, static_cast<LONG>((int64_t{height} * 2540 + 48) / 96));
}

struct LimitCase {
    const char* name;
    std::vector<char> bytes;
    int width, height; // 0: refused
};

// At the limits a picture loads; a pixel or a row past them, it is refused, in every format,
// and a GIF's frame is held to them as its screen is.
TEST(PictureLimits, EveryReaderHoldsPicturesToTheLimits) {
    const LimitCase cases[] = {
        {"bmp", RleBmp(WIDE, HIGH), WIDE, HIGH},
        {"bmp one row higher", RleBmp(WIDE, HIGH + 1), 0, 0},
        {"bmp as wide as any", RleBmp(MAX_IMAGE_SIDE, 1), MAX_IMAGE_SIDE, 1},
        {"bmp a pixel wider", RleBmp(MAX_IMAGE_SIDE + 1, 1), 0, 0},
        {"jpeg", Jpeg({WIDE, HIGH}), WIDE, HIGH},
        {"jpeg one row higher", Jpeg({WIDE, HIGH + 1}), 0, 0},
        {"jpeg a pixel wider", Jpeg({MAX_IMAGE_SIDE + 1, 8}), 0, 0},
        {"progressive jpeg in colour", Jpeg({WIDE, HIGH, 3, true}), WIDE, HIGH},
        {"progressive jpeg one row higher", Jpeg({WIDE, HIGH + 1, 1, true}), 0, 0},
        {"png", Png(WIDE, HIGH), WIDE, HIGH},
        {"png one row higher", Png(WIDE, HIGH + 1), 0, 0},
        {"png a pixel wider", Png(MAX_IMAGE_SIDE + 1, 1), 0, 0},
        {"gif", Gif(WIDE, HIGH, {{WIDE, HIGH}}), WIDE, HIGH},
        {"gif one row higher", Gif(WIDE, HIGH + 1, {{WIDE, HIGH + 1}}), 0, 0},
        // The screen is what is drawn: a frame larger than it is cut to it, within the limits.
        {"gif frame larger than its screen", Gif(4, 4, {{16, 16}}), 4, 4},
        {"gif frame one row higher on a small screen", Gif(1, 1, {{WIDE, HIGH + 1}}), 0, 0},
        {"gif frame wider than any on a small screen", Gif(1, 1, {{40000, 1}}), 0, 0},
        {"icon", PngIcon(WIDE, HIGH), WIDE, HIGH},
        {"icon one row higher", PngIcon(WIDE, HIGH + 1), 0, 0},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded loaded = Load(c.bytes);
        if (c.width == 0) {
            EXPECT_EQ(loaded.result, CTL_E_INVALIDPICTURE);
            continue;
        }
        ASSERT_EQ(loaded.result, S_OK);
        ExpectSize(loaded.picture, c.width, c.height);
        loaded.picture->Release();
    }
}

std::optional<int64_t> StatusKilobytes(std::string_view key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(key) && line.size() > key.size() && line[key.size()] == ':')
            return std::stoll(line.substr(key.size() + 1));
    }
    return std::nullopt;
}

struct Cost {
    HRESULT result = E_FAIL;
    int64_t bytes = -1; // how far resident memory rose above what it was before the load
};

// Loads bytes in a child process, so that the peak of its resident memory is the load's own.
// The bytes are in place before the measure starts. Nothing for a child that dies (as one that
// runs out of memory does) or takes longer than a generous bound.
std::optional<Cost> CostOfLoad(const std::vector<char>& bytes) {
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        IStream* stream = nullptr;
        CreateStreamOnHGlobal(block, FALSE, &stream);
        // Starts the peak afresh where the system lets it.
        std::ofstream("/proc/self/clear_refs") << "5";
        Cost cost;
        int64_t before = StatusKilobytes("VmRSS").value_or(-1);
        void* out = nullptr;
        cost.result =
            OleLoadPicture(stream, static_cast<LONG>(bytes.size()), TRUE, IID_IPicture, &out);
        int64_t peak = StatusKilobytes("VmHWM").value_or(-1);
        if (before >= 0 && peak >= 0)
            cost.bytes = (peak - before) * 1024;
        ssize_t written = write(fds[1], &cost, sizeof cost);
        _exit(written == sizeof cost ? 0 : 1);
    }
    close(fds[1]);
    std::optional<Cost> cost;
    if (pid > 0) {
        pollfd ready{fds[0], POLLIN, 0};
        Cost got;
        if (poll(&ready, 1, 120'000) == 1 && read(fds[0], &got, sizeof got) == sizeof got)
            cost = got;
        else
            kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    close(fds[0]);
    return cost;
}

// Each file is a few hundred kilobytes at most; none may cost more than this to load, whatever
// it says of itself.
constexpr int64_t MAX_COST = int64_t{100} << 20;

struct CostCase {
    const char* name;
    std::vector<char> bytes;
    bool loads;
};

TEST(PictureLimits, NoPictureCostsMoreThanItsLimitsAllow) {
    const CostCase cases[] = {
        // Vast pictures in small files.
        {"run-length bitmap of 8192 x 8192", RleBmp(8192, 8192), false},
        {"progressive jpeg of 8000 x 8000", Jpeg({8000, 8000, 1, true}), false},
        {"png of 8000 x 8000", Png(8000, 8000), false},
        {"gif: a 1 x 1 screen and a 16384 x 16384 frame", Gif(1, 1, {{16384, 16384}}), false},
        // Frames that are not drawn are not decoded.
        {"gif: a small frame, then three of 8192 x 8192",
         Gif(8, 8, {{8, 8}, {8192, 8192}, {8192, 8192}, {8192, 8192}}), true},
        // The dearest pictures that load: every coefficient held, in colour.
        {"progressive colour jpeg at the limit", Jpeg({WIDE, HIGH, 3, true}), true},
        {"png at the limit", Png(WIDE, HIGH), true},
    };
    for (const CostCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<Cost> cost = CostOfLoad(c.bytes);
        ASSERT_TRUE(cost) << "the load did not end";
        EXPECT_EQ(cost->result, c.loads ? S_OK : CTL_E_INVALIDPICTURE);
        EXPECT_GE(cost->bytes, 0);
        EXPECT_LE(cost->bytes, MAX_COST) << (cost->bytes >> 20) << " MB";
    }
}

// libjpeg fills data that ends early with grey, at the end of the file or at a marker alike.
TEST(PictureLimits, AJpegCutShortIsRefusedWithOrWithoutItsEndMarker) {
    // The fixture cut within its data: its headers, half of what follows them, and maybe the
    // end marker.
    std::vector<char> fixture = ReadFixture("pattern.jpg");
    constexpr std::string_view SCAN = "\xFF\xDA";
    auto scan = std::search(fixture.begin(), fixture.end(), SCAN.begin(), SCAN.end());
    ASSERT_LT(scan + 4, fixture.end());
    size_t headers =
        static_cast<size_t>(scan - fixture.begin()) + 2 +
        (static_cast<unsigned char>(scan[2]) << 8 | static_cast<unsigned char>(scan[3]));
    auto cut_fixture = [&](bool end) {
        std::vector<char> cut(fixture.begin(),
                              fixture.begin() + (headers + (fixture.size() - headers) / 2));
        if (end) {
            cut.push_back('\xFF');
            cut.push_back('\xD9');
        }
        return cut;
    };
    struct Case {
        const char* name;
        std::vector<char> whole, cut_with_end, cut_without_end;
    } cases[] = {
        {"baseline", Jpeg({64, 64}), Jpeg({64, 64}, 0.5, true), Jpeg({64, 64}, 0.5, false)},
        {"baseline colour", Jpeg({64, 64, 3}), Jpeg({64, 64, 3}, 0.5, true),
         Jpeg({64, 64, 3}, 0.5, false)},
        {"progressive", Jpeg({64, 64, 1, true}), Jpeg({64, 64, 1, true}, 0.5, true),
         Jpeg({64, 64, 1, true}, 0.5, false)},
        {"encoded by libjpeg", fixture, cut_fixture(true), cut_fixture(false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded whole = Load(c.whole);
        ASSERT_EQ(whole.result, S_OK);
        whole.picture->Release();
        EXPECT_EQ(Load(c.cut_with_end).result, CTL_E_INVALIDPICTURE);
        EXPECT_EQ(Load(c.cut_without_end).result, CTL_E_INVALIDPICTURE);
    }
}

// Each scan of a progressive file passes over the whole picture again, however few its bytes.
TEST(PictureLimits, AProgressiveJpegOfEndlessScansIsRefused) {
    Loaded usual = Load(Jpeg({64, 64, 1, true, 9}));
    ASSERT_EQ(usual.result, S_OK);
    usual.picture->Release();
    EXPECT_EQ(Load(Jpeg({64, 64, 1, true, 1000})).result, CTL_E_INVALIDPICTURE);
}

// The same file marked as arithmetic-coded (its frame marker SOF9 or SOF10 for SOF0 or SOF2),
// which the system's reader does not read. Such a coder spends far less than a bit of the file
// on each of its decisions, so that a few megabytes of scans hold seconds of decoding.
std::vector<char> Arithmetic(std::vector<char> jpeg) {
    for (size_t i = 2; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == '\xFF' && (jpeg[i + 1] == '\xC0' || jpeg[i + 1] == '\xC2')) {
            jpeg[i + 1] = jpeg[i + 1] == '\xC0' ? '\xC9' : '\xCA';
            break;
        }
    }
    return jpeg;
}

TEST(PictureLimits, AnArithmeticCodedJpegIsRefused) {
    const struct {
        const char* name;
        JpegShape shape;
    } cases[] = {{"sequential", {64, 64}}, {"progressive", {64, 64, 3, true, 9}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded usual = Load(Jpeg(c.shape));
        ASSERT_EQ(usual.result, S_OK);
        usual.picture->Release();
        EXPECT_EQ(Load(Arithmetic(Jpeg(c.shape))).result, CTL_E_INVALIDPICTURE);
    }
}

// A stream that is not the layer's own, of `length` bytes: `head`, then zeros. It counts what
// is read of it.
class CountingStream final : public IStream {
public:
    CountingStream(std::string_view head, uint64_t length) : head_(head), length_(length) {}
    uint64_t read() const { return position_; }

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        ULONG n = static_cast<ULONG>(std::min<uint64_t>(cb, length_ - position_));
        auto* out = static_cast<char*>(pv);
        for (ULONG i = 0; i < n; ++i, ++position_)
            out[i] = position_ < head_.size() ? head_[position_] : '\0';
        if (pcbRead)
            *pcbRead = n;
        return n < cb ? S_FALSE : S_OK;
    }
    HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT Revert() override { return E_NOTIMPL; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT Clone(IStream**) override { return E_NOTIMPL; }

private:
    std::string_view head_;
    uint64_t length_;
    uint64_t position_ = 0;
};

// A stream is read only as far as its first bytes until they show a picture, and no further than
// the largest picture file; a block larger than that is refused as it lies.
TEST(PictureLimits, NoMoreIsReadThanAPictureNeeds) {
    constexpr uint64_t LONG_STREAM = uint64_t{64} << 20;
    constexpr uint64_t FEW = 64 * 1024;
    std::vector<char> small = RleBmp(4, 4);
    std::string_view bmp(small.data(), small.size());
    struct Case {
        const char* name;
        std::string_view head;
        LONG size; // 0: to the end
        uint64_t most_read;
    } cases[] = {
        {"text, its size given", "This is no picture.", static_cast<LONG>(LONG_STREAM), FEW},
        {"text to the end", "This is no picture.", 0, FEW},
        {"a picture and more to the end", bmp, 0, MAX_PICTURE_BYTES + FEW},
        {"a picture and more, its size given", bmp, static_cast<LONG>(LONG_STREAM),
         MAX_PICTURE_BYTES + FEW},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingStream stream(c.head, LONG_STREAM);
        void* out = nullptr;
        EXPECT_EQ(OleLoadPicture(&stream, c.size, TRUE, IID_IPicture, &out), CTL_E_INVALIDPICTURE);
        EXPECT_LE(stream.read(), c.most_read);
    }
    // The same picture followed by zeros, in a block as the display reads it: it loads while the
    // whole is no larger than the largest picture file.
    std::vector<char> padded = small;
    padded.resize(MAX_PICTURE_BYTES, '\0');
    Loaded fits = Load(padded);
    ASSERT_EQ(fits.result, S_OK);
    fits.picture->Release();
    padded.push_back('\0');
    EXPECT_EQ(Load(padded).result, CTL_E_INVALIDPICTURE);
}

} // namespace
