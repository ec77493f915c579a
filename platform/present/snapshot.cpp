#include "present/snapshot.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace platform::present {

namespace {

// A window's picture is written after every paint, a second apart, and is small: the PNG is put
// together here around one deflate stream that lives from picture to picture (set up once, reset
// for each, its buffers allocated once). Each row is filtered by its left neighbour ("Sub"), so
// that a flat or evenly graded stretch becomes a run of one byte, which run-length deflate packs
// at little cost; a small window and memory level suit that and keep the stream to a few dozen
// kilobytes. A picture without transparency is written without the alpha channel.
constexpr int kWindowBits = 12;
constexpr int kMemoryLevel = 5;
constexpr uint8_t kFilterSub = 1;
constexpr uint8_t kColourRgb = 2;
constexpr uint8_t kColourRgba = 6;

class PngEncoder {
public:
    PngEncoder() {
        ready_ = deflateInit2(&stream_, Z_BEST_SPEED, Z_DEFLATED, kWindowBits, kMemoryLevel,
                              Z_RLE) == Z_OK;
    }
    ~PngEncoder() {
        if (ready_)
            deflateEnd(&stream_);
    }
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // The whole file for the picture, or nothing.
    const std::vector<uint8_t>* Encode(const gdi::Surface& surface, uint8_t alpha,
                                       std::optional<uint32_t> key) {
        if (!ready_ || deflateReset(&stream_) != Z_OK)
            return nullptr;
        size_t width = size_t(surface.width), height = size_t(surface.height);
        bool opaque = alpha == 255;
        if (key && opaque) {
            for (size_t i = 0; i < width * height && opaque; ++i)
                opaque = (surface.pixels[i] & 0xFFFFFF) != *key;
        }
        size_t channels = opaque ? 3 : 4;
        size_t stride = 1 + width * channels;
        raw_.resize(stride * height);
        for (size_t y = 0; y < height; ++y) {
            const uint32_t* row = &surface.pixels[y * width];
            uint8_t* out = &raw_[y * stride];
            *out++ = kFilterSub;
            uint8_t previous[4] = {0, 0, 0, 0};
            for (size_t x = 0; x < width; ++x) {
                uint32_t p = row[x] & 0xFFFFFF;
                uint8_t pixel[4] = {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p),
                                    uint8_t(key && p == *key ? 0 : alpha)};
                for (size_t c = 0; c < channels; ++c) {
                    *out++ = uint8_t(pixel[c] - previous[c]);
                    previous[c] = pixel[c];
                }
            }
        }

        file_.clear();
        static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        file_.insert(file_.end(), kSignature, kSignature + 8);
        uint8_t header[13];
        PutBigEndian(header, uint32_t(width));
        PutBigEndian(header + 4, uint32_t(height));
        header[8] = 8; // bits per channel
        header[9] = opaque ? kColourRgb : kColourRgba;
        header[10] = header[11] = header[12] = 0; // deflate, adaptive filters, no interlace
        AddChunk("IHDR", header, sizeof header);

        // The image data chunk is written in place: its length and name first, filled in after.
        size_t chunk = file_.size();
        file_.resize(chunk + 8 + deflateBound(&stream_, uLong(raw_.size())));
        std::memcpy(&file_[chunk + 4], "IDAT", 4);
        stream_.next_in = raw_.data();
        stream_.avail_in = uInt(raw_.size());
        stream_.next_out = &file_[chunk + 8];
        stream_.avail_out = uInt(file_.size() - chunk - 8);
        if (deflate(&stream_, Z_FINISH) != Z_STREAM_END)
            return nullptr;
        size_t length = stream_.total_out;
        PutBigEndian(&file_[chunk], uint32_t(length));
        file_.resize(chunk + 8 + length);
        AddCrc(chunk + 4);
        AddChunk("IEND", nullptr, 0);
        return &file_;
    }

private:
    static void PutBigEndian(uint8_t* out, uint32_t value) {
        out[0] = uint8_t(value >> 24);
        out[1] = uint8_t(value >> 16);
        out[2] = uint8_t(value >> 8);
        out[3] = uint8_t(value);
    }
    // The CRC of a chunk's name and data, from the name at `from` to the end.
    void AddCrc(size_t from) {
        uint8_t crc[4];
        PutBigEndian(crc, uint32_t(crc32(0, &file_[from], uInt(file_.size() - from))));
        file_.insert(file_.end(), crc, crc + 4);
    }
    void AddChunk(const char* name, const uint8_t* data, size_t length) {
        uint8_t head[8];
        PutBigEndian(head, uint32_t(length));
        std::memcpy(head + 4, name, 4);
        size_t from = file_.size() + 4;
        file_.insert(file_.end(), head, head + 8);
        if (length)
            file_.insert(file_.end(), data, data + length);
        AddCrc(from);
    }

    z_stream stream_{};
    bool ready_ = false;
    std::vector<uint8_t> raw_;
    std::vector<uint8_t> file_;
};

bool WriteAll(const std::string& linux_path, const std::vector<uint8_t>& bytes) {
    int fd = ::open(linux_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += size_t(n);
    }
    int saved = errno;
    bool closed = ::close(fd) == 0;
    errno = saved;
    return written == bytes.size() && closed;
}

} // namespace

bool WriteSurfacePng(const gdi::Surface& surface, const std::string& linux_path, uint8_t alpha,
                     std::optional<COLORREF> color_key) {
    if (surface.width <= 0 || surface.height <= 0 ||
        surface.pixels.size() < static_cast<size_t>(surface.width) * surface.height)
        return false;
    // Surface pixels are 0x00RRGGBB; the key is compared in that form.
    std::optional<uint32_t> key;
    if (color_key)
        key = ((*color_key & 0xFF) << 16) | (*color_key & 0xFF00) | ((*color_key >> 16) & 0xFF);
    thread_local PngEncoder encoder;
    const std::vector<uint8_t>* file = encoder.Encode(surface, alpha, key);
    return file && WriteAll(linux_path, *file);
}

} // namespace platform::present
