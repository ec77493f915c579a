// The settings file: its reader and writer. The file is ANSI text with CR LF line ends; a line is
// depth TABs and then "Name[" (a category opens), "Name=Value" (a key) or "]" (it closes).
#include "settings/drive_profile.h"

#include "settings/literals.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// What an editor saving UTF-8 may put at the very start of the file.
constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// The categories the reader has made, by parent and stored name, so that each "[" finds a
// block of the same name in constant time rather than by a scan of every earlier sibling: a
// file of many sibling categories loads in time linear in its size. One open-addressed table in
// one allocation, which goes back to the system whole when the load ends.
class CategoryIndex {
public:
    CDriveProfileCategory* GetCategory(CDriveProfileCategory* parent, LPCSTR name) {
        CHAR stored[PROFILE_TEXT_MAX + 1];
        CopyProfileName(stored, name);
        const std::string_view wanted(stored);
        const size_t hash = std::hash<std::string_view>()(wanted) ^
                            (std::hash<const void*>()(parent) * 0x9E3779B97F4A7C15ull);
        if (2 * (used + 1) > slots.size())
            Grow();
        size_t i = hash & (slots.size() - 1);
        for (; slots[i].child; i = (i + 1) & (slots.size() - 1)) {
            const Slot& slot = slots[i];
            if (slot.hash == hash && slot.parent == parent &&
                std::string_view(slot.child->Name.c_str()) == wanted)
                return slot.child;
        }
        CDriveProfileCategory* added = parent->AddCategory(stored);
        slots[i] = {hash, parent, added};
        ++used;
        return added;
    }

private:
    struct Slot {
        size_t hash;
        CDriveProfileCategory* parent;
        CDriveProfileCategory* child;
    };
    void Grow() {
        std::vector<Slot> old = std::move(slots);
        slots.assign(old.empty() ? 64 : 2 * old.size(), Slot{});
        for (const Slot& slot : old) {
            if (!slot.child)
                continue;
            size_t i = slot.hash & (slots.size() - 1);
            while (slots[i].child)
                i = (i + 1) & (slots.size() - 1);
            slots[i] = slot;
        }
    }
    std::vector<Slot> slots;
    size_t used = 0;
};

// A name in the file. Names are stored as the reader gives them back (CopyProfileName); a lead
// byte without its trail byte is followed by a blank, which the reader skips, so that it cannot
// take the next byte, or the "[" of an opening line, as its trail.
std::string NameInFile(LPCSTR name) {
    std::string out;
    for (LPCSTR p = name; *p; ++p) {
        if (ProfileBytesPair(p)) {
            out.append(p, 2);
            ++p;
        } else if (IsDBCSLeadByte(BYTE(*p))) {
            out.push_back(*p);
            out.push_back(' ');
        } else if (!std::strchr(" \t\r\n=[]", *p)) {
            out.push_back(*p);
        }
    }
    return out;
}

// A value as the reader gets it back: everything up to its line end, so a CR or LF in it is
// left out.
void AppendValue(std::string& out, LPCSTR value) {
    CHAR kept[PROFILE_TEXT_MAX + 1];
    int length = 0;
    for (LPCSTR p = value; *p && length < PROFILE_TEXT_MAX; ++p) {
        if (*p != '\r' && *p != '\n')
            kept[length++] = *p;
    }
    kept[length] = '\0';
    CHAR line[PROFILE_TEXT_MAX + 8];
    wsprintfA(line, Literals::KeyLineFormat, kept);
    out += line;
}

} // namespace

// Nested categories are kept on stacks of our own rather than on the machine's, in the reader and
// the writer (and when a tree is freed), so that no depth of tree can run the program out of stack.

// Reading.

int CDriveProfile::Load(LPCSTR path) {
    FileUnreadable = false;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // Only a file that is not there means a first run, whose defaults are written at the
        // end. One that is there but will not open is kept from being replaced.
        const DWORD error = GetLastError();
        FileUnreadable = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
        return 1;
    }
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    // A size that cannot be had, or one past 4 GB, is no settings file of ours.
    if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0) {
        CloseHandle(file);
        FileUnreadable = true;
        return 1;
    }
    // Zero-filled, so a short read ends the text at the first byte that did not arrive.
    std::vector<CHAR> text(size_t(size) + 1, '\0');
    DWORD read = 0;
    const BOOL readOk = ReadFile(file, text.data(), size, &read, nullptr);
    CloseHandle(file);
    if (!readOk) {
        FileUnreadable = true;
        return 1;
    }
    return ParseText(text.data(), size);
}

int CDriveProfile::LoadText(LPCSTR text, DWORD size) {
    std::vector<CHAR> buffer(size_t(size) + 1, '\0');
    if (size)
        std::memcpy(buffer.data(), text, size);
    return ParseText(buffer.data(), size);
}

int CDriveProfile::ParseText(LPCSTR start, DWORD size) {
    // An editor that saves UTF-8 may put a byte-order mark first; it would join the first name.
    if (std::string_view(start, size).starts_with(BYTE_ORDER_MARK)) {
        start += BYTE_ORDER_MARK.size();
        size -= DWORD(BYTE_ORDER_MARK.size());
    }
    ErrorEnum = PROFILE_ERROR_NONE;
    ErrorIdentifier[0] = '\0';
    tempRoot = std::make_unique<CDriveProfileCategory>("Root");
    if (!ParseCategory(tempRoot.get(), start, start, start + size)) {
        tempRoot.reset();
        return 0;
    }
    Root = std::move(tempRoot);
    return 1;
}

LPCSTR CDriveProfile::Fail(ProfileErrorCode code) {
    ErrorEnum = code;
    return nullptr;
}

// Parses the children of category from position up to its "]" (for the root: up to the end of
// the text) and returns the position after that "]" (for the root: position). The text runs from
// start to limit, one past its last byte, and is followed by a NUL; it may end earlier at a NUL.
// Any error sets ErrorEnum and returns null at once.
LPCSTR CDriveProfile::ParseCategory(CDriveProfileCategory* category, LPCSTR position, LPCSTR start,
                                    LPCSTR limit) {
    std::vector<CDriveProfileCategory*> open{category};
    CategoryIndex index;
    bool inValue = false;
    // The token being read: a name, or after "=" the value. Empty at the start of every
    // category and after every token.
    std::string accumulator;
    std::string keyName;
    auto stray = [&] {
        lstrcpynA(ErrorIdentifier, accumulator.c_str(), PROFILE_TOKEN_MAX + 1);
        return Fail(PROFILE_ERROR_STRAY_TEXT);
    };
    // A CR must be followed by its LF, an LF must follow its CR.
    auto brokenCR = [&](LPCSTR p) { return p + 1 == limit || p[1] != '\n'; };
    auto brokenLF = [&](LPCSTR p) { return p == start || p[-1] != '\r'; };

    for (LPCSTR p = position;; ++p) {
        CDriveProfileCategory* current = open.back();
        const CHAR c = *p;
        if (inValue) {
            switch (c) {
            case '\r':
                if (brokenCR(p))
                    return Fail(PROFILE_ERROR_BROKEN_LINE_END);
                // No test for an existing key: a second line of the same name adds a second key.
                current->AddString(keyName.c_str(), accumulator.c_str());
                accumulator.clear();
                ++p; // the LF
                inValue = false;
                break;
            case '\n':
                return Fail(PROFILE_ERROR_BROKEN_LINE_END);
            case '\0':
                return Fail(PROFILE_ERROR_UNFINISHED_VALUE);
            default:
                // Blanks, TABs, "=", "[" and "]" belong to the value.
                accumulator.push_back(c);
                if (accumulator.size() > size_t(PROFILE_TOKEN_MAX))
                    return Fail(PROFILE_ERROR_TOKEN_TOO_LONG);
                break;
            }
            continue;
        }
        switch (c) {
        case '\t':
        case ' ':
            break;
        case '=':
            if (accumulator.empty())
                return Fail(PROFILE_ERROR_NAMELESS_KEY);
            keyName = std::move(accumulator);
            accumulator.clear();
            inValue = true;
            break;
        case '[':
            if (accumulator.empty())
                return Fail(PROFILE_ERROR_NAMELESS_CATEGORY);
            if (open.size() > size_t(PROFILE_DEPTH_MAX))
                return Fail(PROFILE_ERROR_TOO_DEEP);
            // Get or create: a second block of the same name adds to the first.
            open.push_back(index.GetCategory(current, accumulator.c_str()));
            accumulator.clear();
            break;
        case ']':
            if (current == tempRoot.get())
                return Fail(PROFILE_ERROR_CLOSE_AT_TOP);
            if (!accumulator.empty())
                return stray();
            if (open.size() == 1)
                return p + 1;
            open.pop_back();
            break;
        case '\0':
            if (current != tempRoot.get())
                return Fail(PROFILE_ERROR_UNCLOSED_CATEGORY);
            if (!accumulator.empty())
                return stray();
            return position;
        case '\r':
            if (brokenCR(p))
                return Fail(PROFILE_ERROR_BROKEN_LINE_END);
            break;
        case '\n':
            if (brokenLF(p))
                return Fail(PROFILE_ERROR_BROKEN_LINE_END);
            break;
        default:
            // A name goes on across blanks, TABs and line ends: "Wi dth" is Width.
            accumulator.push_back(c);
            // A double-byte character is read whole: its trail byte may be "[" or "]".
            if (ProfileBytesPair(p))
                accumulator.push_back(*++p);
            if (accumulator.size() > size_t(PROFILE_TOKEN_MAX))
                return Fail(PROFILE_ERROR_TOKEN_TOO_LONG);
            break;
        }
    }
}

// Writing.

std::string CDriveProfile::Render() {
    std::string out;
    WriteCategory(Root.get(), out, 0);
    // A first name may begin with the bytes of a UTF-8 byte-order mark (in code page 932 a
    // double-byte character and a half-width katakana), which the next read would skip; a TAB,
    // which the reader passes over, keeps them in the name.
    if (out.starts_with(BYTE_ORDER_MARK))
        out.insert(out.begin(), '\t');
    return out;
}

void CDriveProfile::WriteCategory(CDriveProfileCategory* category, std::string& out, int depth) {
    struct Open {
        CDriveProfileCategory* category;
        int next;
    };
    std::vector<Open> open{{category, 0}};
    while (!open.empty()) {
        const int level = depth + int(open.size()) - 1;
        Open& top = open.back();
        if (top.next == top.category->Count()) {
            open.pop_back();
            // The root has no closing line.
            if (level > 0)
                WriteCloseBracket(out, level - 1);
            continue;
        }
        bool isCategory = false;
        CDriveProfileItemBase* child = top.category->GetChild(top.next++, &isCategory);
        const std::string name = NameInFile(child->Name);
        // A line without a name would stop the next start; such a node is left out.
        if (name.empty())
            continue;
        WriteIndentedText(out, name.c_str(), level);
        if (isCategory) {
            out += Literals::CategoryOpenLine;
            open.push_back({static_cast<CDriveProfileCategory*>(child), 0});
        } else {
            AppendValue(out, static_cast<CDriveProfileItem*>(child)->Value);
        }
    }
}

void CDriveProfile::WriteIndentedText(std::string& out, LPCSTR text, int depth) {
    out.append(size_t(depth), '\t');
    out += text;
}

void CDriveProfile::WriteCloseBracket(std::string& out, int depth) {
    out.append(size_t(depth), '\t');
    out += Literals::CategoryCloseLine;
}

namespace {

// The file that path names, through any links: the full path of the existing file, or path
// itself when there is none yet.
std::string FinalPathOf(LPCSTR path) {
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return path;
    std::string final(MAX_PATH, '\0');
    DWORD length = GetFinalPathNameByHandleA(file, final.data(), DWORD(final.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= final.size()) {
        final.resize(length);
        length = GetFinalPathNameByHandleA(file, final.data(), DWORD(final.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    CloseHandle(file);
    if (length == 0 || length >= final.size())
        return path;
    final.resize(length);
    // The answer comes as "\\?\C:\..." or "\\?\UNC\server\...".
    constexpr std::string_view uncPrefix = "\\\\?\\UNC\\";
    constexpr std::string_view longPrefix = "\\\\?\\";
    if (final.starts_with(uncPrefix))
        return "\\\\" + final.substr(uncPrefix.size());
    if (final.starts_with(longPrefix))
        return final.substr(longPrefix.size());
    return final;
}

// Writes all of text at the file's position. One write unless the text passes a gigabyte.
bool WriteWhole(HANDLE file, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        DWORD chunk = DWORD(std::min<size_t>(text.size() - done, size_t(1) << 30));
        DWORD written = 0;
        if (!WriteFile(file, text.data() + done, chunk, &written, nullptr) || written != chunk)
            return false;
        done += written;
    }
    return true;
}

// A save's own temporary is named "<file>.<process id>-<number>.new". The process id keeps the
// saves of two copies of the program apart; the number moves past a name that is taken.
constexpr std::string_view TemporarySuffix = ".new";
constexpr DWORD TEMPORARY_ATTEMPTS = 100;

std::string TemporaryName(const std::string& target, DWORD process, DWORD number) {
    return target + "." + std::to_string(process) + "-" + std::to_string(number) +
           std::string(TemporarySuffix);
}

// Creates a temporary for this save beside target: a new file that nobody else has, created
// as new, so that a name already there (another save's temporary, a link, a folder) is never
// opened, followed or cut. INVALID_HANDLE_VALUE, with the system's error, when none can be made.
HANDLE CreateOwnTemporary(const std::string& target, std::string& temporary) {
    // Counts on across saves, so that a name left by an earlier process of the same id is
    // passed over once only.
    static DWORD next = 0;
    for (DWORD attempt = 0; attempt < TEMPORARY_ATTEMPTS; ++attempt) {
        temporary = TemporaryName(target, GetCurrentProcessId(), next++);
        HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// The process id in the name of a temporary of target's ("Pelmora.pmu.4711-0.new" for
// "Pelmora.pmu"); false for any other name.
bool TemporaryOf(std::string_view targetName, std::string_view name, DWORD* process) {
    if (!name.starts_with(targetName) || !name.ends_with(TemporarySuffix))
        return false;
    name.remove_prefix(targetName.size());
    name.remove_suffix(TemporarySuffix.size());
    auto number = [](std::string_view digits, DWORD* value) {
        if (digits.empty() || digits.size() > 10)
            return false;
        unsigned long long n = 0;
        for (char c : digits) {
            if (c < '0' || c > '9')
                return false;
            n = n * 10 + unsigned(c - '0');
        }
        *value = DWORD(n);
        return n <= 0xFFFFFFFFull;
    };
    const size_t dash = name.find('-');
    DWORD counter = 0;
    return name.starts_with('.') && dash != std::string_view::npos &&
           number(name.substr(1, dash - 1), process) && number(name.substr(dash + 1), &counter);
}

bool RunningProcesses(std::vector<DWORD>& processes) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        processes.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return !processes.empty();
}

// Removes the temporaries beside target that saves left behind when their process was killed.
// A temporary whose process still runs is that copy's save at work and stays; one bearing this
// process's id is a leftover of an earlier process that had it, since this one's own save is
// done. The folder is read before the processes, so that the writer of every name read was
// running before the processes were taken.
void RemoveStaleTemporaries(const std::string& target) {
    const size_t slash = target.find_last_of('\\');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = target.substr(folder.size());
    std::vector<std::pair<std::string, DWORD>> found;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((target + ".*" + std::string(TemporarySuffix)).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        DWORD process = 0;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            TemporaryOf(name, data.cFileName, &process))
            found.emplace_back(folder + data.cFileName, process);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::vector<DWORD> running;
    if (found.empty() || !RunningProcesses(running))
        return;
    const DWORD self = GetCurrentProcessId();
    for (const auto& [path, process] : found) {
        if (process == self || std::find(running.begin(), running.end(), process) == running.end())
            DeleteFileA(path.c_str());
    }
}

// The file rewritten where it stands, for a folder in which no temporary may be made. Cut to
// the new length only once all of the text is written, and on the disk before it returns.
int RewriteInPlace(const std::string& target, const std::string& text) {
    HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    const bool complete = WriteWhole(file, text) && SetEndOfFile(file) && FlushFileBuffers(file);
    CloseHandle(file);
    return complete ? 1 : 0;
}

} // namespace

// The new text goes to a file of this save's own beside the old one first; only when it is all
// on the disk does that file take the old one's place, in one step. A crash, a full disk or a
// killed process therefore leaves the old file whole, or the new one, and two copies saving at
// once each put their whole file in place, the last one staying. A link is written through:
// the file it names is replaced, and the link stays. The replaced file's attributes and
// security stay as the user set them, and a read-only file is left as it is, as a plain create
// would be refused.
int CDriveProfile::Save(LPCSTR path) {
    const std::string target = FinalPathOf(path);
    const DWORD attributes = GetFileAttributesA(target.c_str());
    const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
    if (replacing && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return 0;
    const std::string text = Render();
    std::string temporary;
    HANDLE file = CreateOwnTemporary(target, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        // A folder the user may not write, holding a file the user may: the file is rewritten
        // in place, as a plain save would. Not in one step, but the only way the text is kept.
        if (replacing && GetLastError() == ERROR_ACCESS_DENIED)
            return RewriteInPlace(target, text);
        return 0;
    }
    bool complete = WriteWhole(file, text) && FlushFileBuffers(file);
    CloseHandle(file);
    if (complete) {
        complete = replacing ? ReplaceFileA(target.c_str(), temporary.c_str(), nullptr, 0, nullptr,
                                            nullptr)
                             : MoveFileExA(temporary.c_str(), target.c_str(),
                                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (!complete) {
        DeleteFileA(temporary.c_str());
        return 0;
    }
    RemoveStaleTemporaries(target);
    return 1;
}
