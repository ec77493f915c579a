// The settings tree and its typed access.
#include "settings/drive_profile.h"

#include "settings/literals.h"

#include <shlwapi.h>

#include <cstring>
#include <string>

namespace {

CDriveProfile* pDriveProfile = nullptr;

// A name as the tree stores it. Lookups compare with this form, so that an over-long name, or
// one holding blanks, finds the node that it created.
struct StoredName {
    explicit StoredName(LPCSTR name) { CopyProfileName(text, name); }
    CHAR text[PROFILE_TEXT_MAX + 1];
};

bool IsHexDigit(CHAR c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

void CopyProfileText(LPSTR destination, LPCSTR text) {
    if (!text)
        text = Literals::EmptyText;
    int length = 0;
    while (text[length]) {
        // A lead byte and its trail byte go together; a lead byte that ends the text is alone.
        int step = IsDBCSLeadByte(BYTE(text[length])) && text[length + 1] ? 2 : 1;
        if (length + step > PROFILE_TEXT_MAX)
            break;
        length += step;
    }
    lstrcpynA(destination, text, length + 1);
}

void CopyProfileText(ProfileText& destination, LPCSTR text) {
    CHAR cut[PROFILE_TEXT_MAX + 1];
    CopyProfileText(cut, text);
    destination.Assign(cut);
}

void CopyProfileName(ProfileText& destination, LPCSTR name) {
    CHAR cut[PROFILE_TEXT_MAX + 1];
    CopyProfileName(cut, name);
    destination.Assign(cut);
}

bool ProfileBytesPair(LPCSTR p) {
    return IsDBCSLeadByte(BYTE(p[0])) && BYTE(p[1]) >= 0x40;
}

void CopyProfileName(LPSTR destination, LPCSTR name) {
    constexpr CHAR skipped[] = " \t\r\n=[]";
    std::string kept;
    for (LPCSTR p = name ? name : Literals::EmptyText; *p; ++p) {
        if (ProfileBytesPair(p)) {
            kept.append(p, 2);
            ++p;
        } else if (IsDBCSLeadByte(BYTE(*p))) {
            // A lead byte without a trail byte stays only where nothing that is left out follows
            // it: otherwise it would meet the next byte and take it as its trail.
            if (!p[1] || !std::strchr(skipped, p[1]))
                kept.push_back(*p);
        } else if (!std::strchr(skipped, *p)) {
            kept.push_back(*p);
        }
    }
    CopyProfileText(destination, kept.c_str());
}

void SetDriveProfile(CDriveProfile* profile) {
    pDriveProfile = profile;
}

CDriveProfile* GetDriveProfile() {
    return pDriveProfile;
}

// Nodes.

CDriveProfileItemBase::CDriveProfileItemBase(LPCSTR name, bool isCategory)
    : IsCategory(isCategory) {
    CopyProfileName(Name, name);
}

CDriveProfileItem::CDriveProfileItem(LPCSTR name, LPCSTR value)
    : CDriveProfileItemBase(name, false) {
    CopyProfileText(Value, value);
}

CDriveProfileCategory::CDriveProfileCategory(LPCSTR name) : CDriveProfileItemBase(name, true) {}

// Frees the children level by level rather than by recursion, which a deeply nested file could
// take past the end of the stack.
CDriveProfileCategory::~CDriveProfileCategory() {
    std::vector<std::unique_ptr<CDriveProfileItemBase>> pending = std::move(Child);
    while (!pending.empty()) {
        std::unique_ptr<CDriveProfileItemBase> node = std::move(pending.back());
        pending.pop_back();
        if (node->IsCategory) {
            auto& children = static_cast<CDriveProfileCategory*>(node.get())->Child;
            for (auto& child : children)
                pending.push_back(std::move(child));
            children.clear();
        }
    }
}

template <typename Node> Node* CDriveProfileCategory::Append(std::unique_ptr<Node> node) {
    Node* added = node.get();
    Child.push_back(std::move(node));
    return added;
}

CDriveProfileItem* CDriveProfileCategory::FindKey(LPCSTR name) {
    StoredName wanted(name);
    for (auto& child : Child) {
        if (!child->IsCategory && lstrcmpA(child->Name, wanted.text) == 0)
            return static_cast<CDriveProfileItem*>(child.get());
    }
    return nullptr;
}

// Strings.

LPCSTR CDriveProfileCategory::GetString(LPCSTR name) {
    return GetStringOrDefault(name, Literals::EmptyText);
}

LPCSTR CDriveProfileCategory::GetStringOrDefault(LPCSTR name, LPCSTR defaultText) {
    if (CDriveProfileItem* key = FindKey(name))
        return key->Value;
    AddString(name, defaultText);
    return defaultText;
}

int CDriveProfileCategory::SetString(LPCSTR name, LPCSTR text) {
    if (CDriveProfileItem* key = FindKey(name))
        CopyProfileText(key->Value, text);
    else
        AddString(name, text);
    return 1;
}

// Integers.

int CDriveProfileCategory::GetInteger(LPCSTR name) {
    return GetIntegerEx(name, 0, 0, 0, false);
}

int CDriveProfileCategory::GetIntegerOrDefault(LPCSTR name, int defaultValue) {
    return GetIntegerEx(name, defaultValue, 0, 0, false);
}

int CDriveProfileCategory::GetIntegerInRange(LPCSTR name, int defaultValue, int minimum,
                                             int maximum) {
    return GetIntegerEx(name, defaultValue, minimum, maximum, true);
}

int CDriveProfileCategory::GetIntegerEx(LPCSTR name, int defaultValue, int minimum, int maximum,
                                        bool checkRange) {
    CDriveProfileItem* key = FindKey(name);
    if (!key) {
        // The default is added as it is, even when it lies outside the range.
        AddInteger(name, defaultValue);
        return defaultValue;
    }
    int value = StrToIntA(key->Value);
    if (!checkRange || (minimum <= value && value <= maximum))
        return value;
    // Out of range: the default, not the nearer bound, and the tree keeps it.
    SetInteger(name, defaultValue);
    return defaultValue;
}

int CDriveProfileCategory::SetInteger(LPCSTR name, int value) {
    CHAR text[16];
    wsprintfA(text, Literals::IntegerFormat, value);
    return SetString(name, text);
}

// Unsigned values (colours among them).

DWORD CDriveProfileCategory::GetDWord(LPCSTR name) {
    return GetDWordOrDefault(name, 0);
}

DWORD CDriveProfileCategory::GetDWordOrDefault(LPCSTR name, DWORD defaultValue) {
    if (CDriveProfileItem* key = FindKey(name))
        return DWORD(StrToIntA(key->Value));
    AddDWord(name, defaultValue);
    return defaultValue;
}

int CDriveProfileCategory::SetDWord(LPCSTR name, DWORD value) {
    CHAR text[16];
    wsprintfA(text, Literals::DWordFormat, value);
    return SetString(name, text);
}

// Booleans.

bool CDriveProfileCategory::GetBoolean(LPCSTR name) {
    return GetBooleanOrDefault(name, false);
}

bool CDriveProfileCategory::GetBooleanOrDefault(LPCSTR name, bool defaultValue) {
    if (CDriveProfileItem* key = FindKey(name))
        return StrToIntA(key->Value) != 0;
    AddString(name, defaultValue ? Literals::TrueText : Literals::FalseText);
    return defaultValue;
}

int CDriveProfileCategory::SetBoolean(LPCSTR name, bool value) {
    return SetString(name, value ? Literals::TrueText : Literals::FalseText);
}

DWORD CDriveProfileCategory::GetFlag(LPCSTR name, DWORD flag) {
    return GetBoolean(name) ? flag : 0;
}

// Byte blocks.

int CDriveProfileCategory::GetBinary(LPCSTR name, LPVOID destination, DWORD destinationSize) {
    CDriveProfileItem* key = FindKey(name);
    if (!key)
        return 0;
    auto* bytes = static_cast<BYTE*>(destination);
    DWORD pairs = DWORD(lstrlenA(key->Value)) / 2;
    for (DWORD i = 0; i < pairs && i < destinationSize; ++i) {
        CHAR pair[3] = {key->Value[2 * i], key->Value[2 * i + 1], '\0'};
        int number = 0;
        // StrToIntExA would stop at a bad second digit and keep the first; such a pair is 0.
        if (IsHexDigit(pair[0]) && IsHexDigit(pair[1])) {
            CHAR hex[8];
            wsprintfA(hex, Literals::HexNumberFormat, pair);
            StrToIntExA(hex, STIF_SUPPORT_HEX, &number);
        }
        bytes[i] = BYTE(number);
    }
    return 1;
}

int CDriveProfileCategory::SetBinary(LPCSTR name, LPCVOID source, DWORD count) {
    // A value holds PROFILE_TEXT_MAX characters, two per byte; a longer block could not be read
    // back whole, so the text ends with the last byte that fits.
    if (count > PROFILE_TEXT_MAX / 2)
        count = PROFILE_TEXT_MAX / 2;
    CHAR text[PROFILE_TEXT_MAX + 1];
    const auto* bytes = static_cast<const BYTE*>(source);
    for (DWORD i = 0; i < count; ++i)
        wsprintfA(text + 2 * i, Literals::HexByteFormat, bytes[i]);
    text[2 * count] = '\0';
    return SetString(name, text);
}

// Appending keys.

CDriveProfileItem* CDriveProfileCategory::AddString(LPCSTR name, LPCSTR text) {
    return Append(std::make_unique<CDriveProfileItem>(name, text));
}

CDriveProfileCategory* CDriveProfileCategory::AddCategory(LPCSTR name) {
    return Append(std::make_unique<CDriveProfileCategory>(name));
}

CDriveProfileItem* CDriveProfileCategory::AddInteger(LPCSTR name, int value) {
    CHAR text[16];
    wsprintfA(text, Literals::IntegerFormat, value);
    return AddString(name, text);
}

CDriveProfileItem* CDriveProfileCategory::AddDWord(LPCSTR name, DWORD value) {
    CHAR text[16];
    wsprintfA(text, Literals::DWordFormat, value);
    return AddString(name, text);
}

// Categories.

CDriveProfileCategory* CDriveProfileCategory::FindCategory(LPCSTR name, bool create) {
    StoredName wanted(name);
    for (auto& child : Child) {
        if (child->IsCategory && lstrcmpA(child->Name, wanted.text) == 0)
            return static_cast<CDriveProfileCategory*>(child.get());
    }
    if (!create)
        return nullptr;
    // From the name as given: its stored form is made once, as the lookup made it.
    return AddCategory(name);
}

CDriveProfileCategory* CDriveProfileCategory::GetCategory(LPCSTR name) {
    return FindCategory(name, true);
}

bool CDriveProfileCategory::HasCategory(LPCSTR name) {
    return FindCategory(name, false);
}

CDriveProfileCategory* CDriveProfileCategory::RenameCategory(LPCSTR oldName, LPCSTR newName) {
    CDriveProfileCategory* category = FindCategory(oldName, false);
    if (category)
        CopyProfileName(category->Name, newName);
    return category;
}

CDriveProfileItemBase* CDriveProfileCategory::GetChild(int index, bool* isCategory) {
    CDriveProfileItemBase* child =
        index >= 0 && index < Count() ? Child[size_t(index)].get() : nullptr;
    if (isCategory)
        *isCategory = child && child->IsCategory;
    return child;
}

// The store.

CDriveProfile::CDriveProfile()
    : ErrorIdentifier{}, ErrorEnum(PROFILE_ERROR_NONE), FileUnreadable(false),
      Root(std::make_unique<CDriveProfileCategory>("Root")), ResBuf{}, szReturn{} {}

CDriveProfileCategory* CDriveProfile::GetCategory(LPCSTR name) {
    return Root->GetCategory(name);
}
