// The settings store: one tree of named categories holding named text values, read from and
// written to "Pelmora.pmu". Every value is kept as text; the typed operations convert on each
// access, and a getter that finds no key adds it with its default, so the file fills itself.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// Longest name or value, in bytes of the ANSI code page (a double-byte character counts two).
// Longer texts are cut to it, never in the middle of a double-byte character.
constexpr int PROFILE_TEXT_MAX = 512;
// Longest name or value that the file reader takes; anything longer is error 8. It is what the
// tree holds, so that whatever a file gives is written back whole, never cut.
constexpr int PROFILE_TOKEN_MAX = PROFILE_TEXT_MAX;
// Most categories the file reader lets stand inside one another (the program nests two). Deeper
// is error 10: writing a tree costs its depth times its size, and a small file of "a[a[a[..."
// would otherwise take gigabytes to write back. Its message (string 10) names the number.
constexpr int PROFILE_DEPTH_MAX = 64;

class ProfileText;

// Copies at most PROFILE_TEXT_MAX bytes of text into destination (which holds
// PROFILE_TEXT_MAX + 1), cut so that a lead byte never loses its trail byte.
void CopyProfileText(LPSTR destination, LPCSTR text);
void CopyProfileText(ProfileText& destination, LPCSTR text);
// Copies a node's name as the file gives it back, then cut as by CopyProfileText: the reader
// skips blanks, TABs and line breaks in a name and takes "=", "[" and "]" as the line's
// structure, so they are left out (a trail byte that happens to be "[" or "]" stays). A name
// made from a plug-in's file name, such as "Net Meter.dll|0", so finds its node again after the
// next start.
void CopyProfileName(LPSTR destination, LPCSTR name);
void CopyProfileName(ProfileText& destination, LPCSTR name);
// Whether the byte at p is a lead byte that takes the next byte as its trail byte. Bytes below
// 0x40 (controls, blanks, digits, "=") are no code page's trail bytes.
bool ProfileBytesPair(LPCSTR p);

// ErrorEnum of a load; each code is also the resource string number of its message.
enum ProfileErrorCode : DWORD {
    PROFILE_ERROR_NONE = 0,
    PROFILE_ERROR_NAMELESS_KEY = 2,      // "=" with no name before it
    PROFILE_ERROR_NAMELESS_CATEGORY = 3, // "[" with no name before it
    PROFILE_ERROR_CLOSE_AT_TOP = 4,      // "]" outside any category
    PROFILE_ERROR_STRAY_TEXT = 5,        // a name with neither "=" nor "[" behind it
    PROFILE_ERROR_UNCLOSED_CATEGORY = 6, // end of the text inside a category
    PROFILE_ERROR_BROKEN_LINE_END = 7,   // CR without LF, or LF without CR
    PROFILE_ERROR_TOKEN_TOO_LONG = 8,    // a name or value of more than PROFILE_TOKEN_MAX
    PROFILE_ERROR_UNFINISHED_VALUE = 9,  // end of the text inside a value
    PROFILE_ERROR_TOO_DEEP = 10,         // more than PROFILE_DEPTH_MAX nested categories
};

// The text of a name or value, at most PROFILE_TEXT_MAX bytes, held in as much memory as it
// needs: a settings file of many short names stays small in memory. It reads as the LPCSTR of
// its text, which stays valid until the text is next set.
class ProfileText {
public:
    operator LPCSTR() const { return text.c_str(); }
    LPCSTR c_str() const { return text.c_str(); }
    // Takes text as it stands (the caller has cut it to PROFILE_TEXT_MAX).
    void Assign(LPCSTR value) { text.assign(value); }

private:
    std::string text;
};

class CDriveProfileItemBase {
public:
    CDriveProfileItemBase(LPCSTR name, bool isCategory);
    virtual ~CDriveProfileItemBase() = default;
    CDriveProfileItemBase(const CDriveProfileItemBase&) = delete;
    CDriveProfileItemBase& operator=(const CDriveProfileItemBase&) = delete;

    ProfileText Name;
    bool IsCategory;
};

class CDriveProfileItem : public CDriveProfileItemBase {
public:
    CDriveProfileItem(LPCSTR name, LPCSTR value);

    ProfileText Value;
};

class CDriveProfileCategory : public CDriveProfileItemBase {
public:
    explicit CDriveProfileCategory(LPCSTR name);
    ~CDriveProfileCategory() override;

    // Key operations. Each acts on the first key of the name (categories of that name are not
    // considered); a getter that finds none adds it with its default.
    LPCSTR GetString(LPCSTR name);
    // The key's live text; for a missing key, the caller's own defaultText (the new key holds a
    // copy of it).
    LPCSTR GetStringOrDefault(LPCSTR name, LPCSTR defaultText);
    int SetString(LPCSTR name, LPCSTR text);
    int GetInteger(LPCSTR name);
    int GetIntegerOrDefault(LPCSTR name, int defaultValue);
    // Outside minimum..maximum (inclusive) the default replaces the stored value, in the tree too.
    int GetIntegerInRange(LPCSTR name, int defaultValue, int minimum, int maximum);
    int GetIntegerEx(LPCSTR name, int defaultValue, int minimum, int maximum, bool checkRange);
    int SetInteger(LPCSTR name, int value);
    DWORD GetDWord(LPCSTR name);
    DWORD GetDWordOrDefault(LPCSTR name, DWORD defaultValue);
    int SetDWord(LPCSTR name, DWORD value);
    bool GetBoolean(LPCSTR name);
    bool GetBooleanOrDefault(LPCSTR name, bool defaultValue);
    int SetBoolean(LPCSTR name, bool value);
    DWORD GetFlag(LPCSTR name, DWORD flag);
    // Fills destination with one byte per pair of hexadecimal digits, at most destinationSize
    // bytes; a pair that is not hexadecimal gives 0. Returns 0, and adds nothing, for a missing
    // key.
    int GetBinary(LPCSTR name, LPVOID destination, DWORD destinationSize);
    int SetBinary(LPCSTR name, LPCVOID source, DWORD count);
    // Appends a key without looking for one of the same name.
    CDriveProfileItem* AddString(LPCSTR name, LPCSTR text);
    // Appends a category without looking for one of the same name.
    CDriveProfileCategory* AddCategory(LPCSTR name);
    CDriveProfileItem* AddInteger(LPCSTR name, int value);
    CDriveProfileItem* AddDWord(LPCSTR name, DWORD value);

    // Category operations; keys of the name are not considered.
    CDriveProfileCategory* FindCategory(LPCSTR name, bool create);
    CDriveProfileCategory* GetCategory(LPCSTR name);
    bool HasCategory(LPCSTR name);
    CDriveProfileCategory* RenameCategory(LPCSTR oldName, LPCSTR newName);

    // Children in the order they were added, keys and categories mixed. An index outside
    // 0..Count()-1 gives null (and a clear flag).
    CDriveProfileItemBase* GetChild(int index, bool* isCategory);
    int Count() const { return int(Child.size()); }

private:
    CDriveProfileItem* FindKey(LPCSTR name);
    template <typename Node> Node* Append(std::unique_ptr<Node> node);

    // No fixed capacity: a category takes as many children as it is given.
    std::vector<std::unique_ptr<CDriveProfileItemBase>> Child;
};

class CDriveProfile {
public:
    CDriveProfile();
    CDriveProfile(const CDriveProfile&) = delete;
    CDriveProfile& operator=(const CDriveProfile&) = delete;

    // The top-level category of the name, created when missing.
    CDriveProfileCategory* GetCategory(LPCSTR name);

    // The key operations of CDriveProfileCategory, applied to the root.
    LPCSTR GetString(LPCSTR name) { return Root->GetString(name); }
    LPCSTR GetStringOrDefault(LPCSTR name, LPCSTR defaultText) {
        return Root->GetStringOrDefault(name, defaultText);
    }
    int SetString(LPCSTR name, LPCSTR text) { return Root->SetString(name, text); }
    int GetInteger(LPCSTR name) { return Root->GetInteger(name); }
    int GetIntegerOrDefault(LPCSTR name, int defaultValue) {
        return Root->GetIntegerOrDefault(name, defaultValue);
    }
    int GetIntegerInRange(LPCSTR name, int defaultValue, int minimum, int maximum) {
        return Root->GetIntegerInRange(name, defaultValue, minimum, maximum);
    }
    int GetIntegerEx(LPCSTR name, int defaultValue, int minimum, int maximum, bool checkRange) {
        return Root->GetIntegerEx(name, defaultValue, minimum, maximum, checkRange);
    }
    int SetInteger(LPCSTR name, int value) { return Root->SetInteger(name, value); }
    DWORD GetDWord(LPCSTR name) { return Root->GetDWord(name); }
    DWORD GetDWordOrDefault(LPCSTR name, DWORD defaultValue) {
        return Root->GetDWordOrDefault(name, defaultValue);
    }
    int SetDWord(LPCSTR name, DWORD value) { return Root->SetDWord(name, value); }
    bool GetBoolean(LPCSTR name) { return Root->GetBoolean(name); }
    bool GetBooleanOrDefault(LPCSTR name, bool defaultValue) {
        return Root->GetBooleanOrDefault(name, defaultValue);
    }
    int SetBoolean(LPCSTR name, bool value) { return Root->SetBoolean(name, value); }
    DWORD GetFlag(LPCSTR name, DWORD flag) { return Root->GetFlag(name, flag); }
    int GetBinary(LPCSTR name, LPVOID destination, DWORD destinationSize) {
        return Root->GetBinary(name, destination, destinationSize);
    }
    int SetBinary(LPCSTR name, LPCVOID source, DWORD count) {
        return Root->SetBinary(name, source, count);
    }
    CDriveProfileItem* AddString(LPCSTR name, LPCSTR text) { return Root->AddString(name, text); }
    CDriveProfileItem* AddInteger(LPCSTR name, int value) { return Root->AddInteger(name, value); }
    CDriveProfileItem* AddDWord(LPCSTR name, DWORD value) { return Root->AddDWord(name, value); }
    CDriveProfileItemBase* GetChild(int index, bool* isCategory) {
        return Root->GetChild(index, isCategory);
    }

    // Reads and parses the file at path. 1 on success and when the file cannot be opened (the
    // tree stays as it is); 0 on a parse error, with ErrorEnum (and ErrorIdentifier) set. A
    // UTF-8 byte-order mark at the start is skipped.
    int Load(LPCSTR path);
    // Parses a settings text of size bytes (it ends early at a NUL) into a new root; the same
    // result as Load.
    int LoadText(LPCSTR text, DWORD size);
    // Writes the tree to path. The new text goes to a file of this save's own beside it first,
    // which then takes the old file's place in one step, so the file is always the old or the
    // new one, whole, even when two copies of the program save at once. In a folder that may
    // not be written the file itself is rewritten instead. 1 when the new text is in place,
    // else 0 (the old file is untouched).
    int Save(LPCSTR path);
    // The tree in the file's form. Bytes of a name or value that the reader would skip or take
    // as the line's structure are left out, so that whatever the program stored reads back.
    std::string Render();
    // The message of ErrorEnum (the stray text inserted for error 5), cut to PROFILE_TEXT_MAX.
    LPCSTR GetErrorText();

    CDriveProfileCategory* GetRoot() { return Root.get(); }

    CHAR ErrorIdentifier[PROFILE_TOKEN_MAX + 1];
    DWORD ErrorEnum;
    // Set by Load when the file is there but could not be read (another user's, held by another
    // program, not a file): the tree was not read from it, so it must not replace the file.
    bool FileUnreadable;

private:
    // Parses size bytes at start, which a NUL follows.
    int ParseText(LPCSTR start, DWORD size);
    LPCSTR ParseCategory(CDriveProfileCategory* category, LPCSTR position, LPCSTR start,
                         LPCSTR end);
    LPCSTR Fail(ProfileErrorCode code);
    void WriteCategory(CDriveProfileCategory* category, std::string& out, int depth);
    void WriteIndentedText(std::string& out, LPCSTR text, int depth);
    void WriteCloseBracket(std::string& out, int depth);

    std::unique_ptr<CDriveProfileCategory> Root;
    std::unique_ptr<CDriveProfileCategory> tempRoot;
    CHAR ResBuf[256];
    CHAR szReturn[PROFILE_TEXT_MAX + 1];
};

// The one store of the run; set once by LoadSettingsFile.
void SetDriveProfile(CDriveProfile* profile);
CDriveProfile* GetDriveProfile();
