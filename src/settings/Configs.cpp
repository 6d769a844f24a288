#include "settings/Configs.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <variant>

#include "mail/SmtpSecurity.h"
#include "settings/IniFile.h"
#include "settings/Paths.h"

ConfigRec Config;
std::function<void(const std::string& text)> ConfigSaveFailed;

namespace {

// Lookup sizes of the original reads: texts 249 characters, numbers and flags 14.
constexpr size_t TextReadLength = 249;
constexpr size_t NumberReadLength = 14;

using TField = std::variant<std::string ConfigRec::*, int32_t ConfigRec::*, bool ConfigRec::*>;

struct TKeyDef {
    const char* Section;
    const char* Key;
    const char* Default;
    TField Field;
};

bool IsSecurity(const TKeyDef& k) {
    return k.Field == TField{&ConfigRec::Security};
}

// "Security" decides whether a login and a message go out in clear text, so
// it is read exactly: "0", "1" or "2" (empty is unset, 0). Anything else,
// "STARTTLS" or "1;" say, is unknown and sends nothing.
int32_t SecurityFromText(const std::string& text) {
    if (text.empty()) return msNone;
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '2') return text[0] - '0';
    return msUnknown;
}

// Every persisted setting, in file order.
const std::array<TKeyDef, ConfigKeyCount> Keys = {{
    {"EMail", "SMTP Host", "", &ConfigRec::SMTPHost},
    {"EMail", "EMail Name", "", &ConfigRec::EMailName},
    {"EMail", "EMail Address", "", &ConfigRec::EMailAddress},
    {"EMail", "SMTP Port", "25", &ConfigRec::SMTPPort},
    {"EMail", "Attachment Encoding", "0", &ConfigRec::AttachmentEncoding},
    {"EMail", "EMail File", "capture.bmp", &ConfigRec::EMailFile},
    {"Misc", "What To Cap", "0", &ConfigRec::WhatToCap},
    {"Misc", "Shape", "0", &ConfigRec::Shape},
    {"Misc", "Action", "0", &ConfigRec::Action},
    {"Misc", "First Time", "Yes", &ConfigRec::FirstTime},
    {"Capture", "Capture Key", "44", &ConfigRec::CaptureKey},
    {"Capture", "RoundRect Shape Color", "16777215", &ConfigRec::RoundRectShapeColor},
    {"Capture", "RoundRect Border Color", "0", &ConfigRec::RoundRectBorderColor},
    {"Capture", "RoundRect Use Border", "Yes", &ConfigRec::RoundRectUseBorder},
    {"Capture", "RoundSquare Shape Color", "16777215", &ConfigRec::RoundSquareShapeColor},
    {"Capture", "RoundSquare Border Color", "0", &ConfigRec::RoundSquareBorderColor},
    {"Capture", "RoundSquare Use Border", "Yes", &ConfigRec::RoundSquareUseBorder},
    {"Capture", "Ellipse Shape Color", "16777215", &ConfigRec::EllipseShapeColor},
    {"Capture", "Ellipse Border Color", "0", &ConfigRec::EllipseBorderColor},
    {"Capture", "Ellipse Use Border", "Yes", &ConfigRec::EllipseUseBorder},
    {"Capture", "Circle Shape Color", "16777215", &ConfigRec::CircleShapeColor},
    {"Capture", "Circle Border Color", "0", &ConfigRec::CircleBorderColor},
    {"Capture", "Circle Use Border", "Yes", &ConfigRec::CircleUseBorder},
    {"Capture", "TriUp Shape Color", "16777215", &ConfigRec::TriUpShapeColor},
    {"Capture", "TriUp Border Color", "0", &ConfigRec::TriUpBorderColor},
    {"Capture", "TriUp Use Border", "Yes", &ConfigRec::TriUpUseBorder},
    {"Capture", "TriDown Shape Color", "16777215", &ConfigRec::TriDownShapeColor},
    {"Capture", "TriDown Border Color", "0", &ConfigRec::TriDownBorderColor},
    {"Capture", "TriDown Use Border", "Yes", &ConfigRec::TriDownUseBorder},
    {"Capture", "TriLeft Shape Color", "16777215", &ConfigRec::TriLeftShapeColor},
    {"Capture", "TriLeft Border Color", "0", &ConfigRec::TriLeftBorderColor},
    {"Capture", "TriLeft Use Border", "Yes", &ConfigRec::TriLeftUseBorder},
    {"Capture", "TriRight Shape Color", "16777215", &ConfigRec::TriRightShapeColor},
    {"Capture", "TriRight Border Color", "0", &ConfigRec::TriRightBorderColor},
    {"Capture", "TriRight Use Border", "Yes", &ConfigRec::TriRightUseBorder},
    {"Capture", "Diamond Shape Color", "16777215", &ConfigRec::DiamondShapeColor},
    {"Capture", "Diamond Border Color", "0", &ConfigRec::DiamondBorderColor},
    {"Capture", "Diamond Use Border", "Yes", &ConfigRec::DiamondUseBorder},
    {"Capture", "Star Vector", "10", &ConfigRec::StarVector},
    {"Capture", "Star Vector Size", "56", &ConfigRec::StarVectorSize},
    {"Capture", "Star Shape Color", "16777215", &ConfigRec::StarShapeColor},
    {"Capture", "Star Border Color", "0", &ConfigRec::StarBorderColor},
    {"Capture", "Star Use Border", "Yes", &ConfigRec::StarUseBorder},
    {"Capture", "Poly1 Vector", "12", &ConfigRec::Poly1Vector},
    {"Capture", "Poly1 Vector Size", "48", &ConfigRec::Poly1VectorSize},
    {"Capture", "Poly1 Angle", "198", &ConfigRec::Poly1Angle},
    {"Capture", "Poly1 Color", "32896", &ConfigRec::Poly1Color},
    {"Capture", "Poly1 Border Color", "0", &ConfigRec::Poly1BorderColor},
    {"Capture", "Poly1 Use Border", "Yes", &ConfigRec::Poly1UseBorder},
    {"Capture", "Poly2 Vector", "10", &ConfigRec::Poly2Vector},
    {"Capture", "Poly2 Vector Size", "19", &ConfigRec::Poly2VectorSize},
    {"Capture", "Poly2 Angle", "90", &ConfigRec::Poly2Angle},
    {"Capture", "Poly2 Color", "4194432", &ConfigRec::Poly2Color},
    {"Capture", "Poly2 Border Color", "0", &ConfigRec::Poly2BorderColor},
    {"Capture", "Poly2 Use Border", "Yes", &ConfigRec::Poly2UseBorder},
    {"Capture", "Poly3 Vector", "5", &ConfigRec::Poly3Vector},
    {"Capture", "Poly3 Vector Size", "38", &ConfigRec::Poly3VectorSize},
    {"Capture", "Poly3 Angle", "234", &ConfigRec::Poly3Angle},
    {"Capture", "Poly3 Color", "8421440", &ConfigRec::Poly3Color},
    {"Capture", "Poly3 Border Color", "0", &ConfigRec::Poly3BorderColor},
    {"Capture", "Poly3 Use Border", "Yes", &ConfigRec::Poly3UseBorder},
    {"Capture", "Poly4 Vector", "9", &ConfigRec::Poly4Vector},
    {"Capture", "Poly4 Vector Size", "50", &ConfigRec::Poly4VectorSize},
    {"Capture", "Poly4 Angle", "249", &ConfigRec::Poly4Angle},
    {"Capture", "Poly4 Color", "16776960", &ConfigRec::Poly4Color},
    {"Capture", "Poly4 Border Color", "0", &ConfigRec::Poly4BorderColor},
    {"Capture", "Poly4 Use Border", "Yes", &ConfigRec::Poly4UseBorder},
    {"Capture", "Poly5 Vector", "52", &ConfigRec::Poly5Vector},
    {"Capture", "Poly5 Vector Size", "22", &ConfigRec::Poly5VectorSize},
    {"Capture", "Poly5 Angle", "90", &ConfigRec::Poly5Angle},
    {"Capture", "Poly5 Color", "0", &ConfigRec::Poly5Color},
    {"Capture", "Poly5 Border Color", "0", &ConfigRec::Poly5BorderColor},
    {"Capture", "Poly5 Use Border", "Yes", &ConfigRec::Poly5UseBorder},
}};

// Keys added later: absent from a file that never used them.
const std::array<TKeyDef, 2> LaterKeys = {{
    {"EMail", "Security", "0", &ConfigRec::Security},
    {"EMail", "User Name", "", &ConfigRec::UserName},
}};

std::string TextOf(const ConfigRec& rec, const TKeyDef& k) {
    if (auto text = std::get_if<std::string ConfigRec::*>(&k.Field)) return rec.*(*text);
    if (auto number = std::get_if<int32_t ConfigRec::*>(&k.Field))
        return std::to_string(rec.*(*number));
    return YesNoText(rec.*std::get<bool ConfigRec::*>(k.Field));
}

void ReadKey(ConfigRec& rec, const TIniFile& ini, const TKeyDef& k) {
    if (k.Field == TField{&ConfigRec::UserName})
        rec.UserName = ini.ReadString(k.Section, k.Key, k.Default, ConfigLoginLength);
    else if (auto text = std::get_if<std::string ConfigRec::*>(&k.Field))
        rec.*(*text) =
            CutChars(ini.ReadString(k.Section, k.Key, k.Default, TextReadLength), ConfigTextLength);
    else if (IsSecurity(k))
        rec.Security =
            SecurityFromText(ini.ReadString(k.Section, k.Key, k.Default, TextReadLength));
    else if (auto number = std::get_if<int32_t ConfigRec::*>(&k.Field))
        rec.*(*number) = IniToInt(ini.ReadString(k.Section, k.Key, k.Default, NumberReadLength));
    else
        rec.*std::get<bool ConfigRec::*>(k.Field) =
            IsYes(ini.ReadString(k.Section, k.Key, k.Default, NumberReadLength));
}

} // namespace

int32_t IniToInt(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    unsigned base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    uint32_t value = 0; // unsigned: wraps instead of overflowing
    for (; i < s.size(); ++i) {
        const char c = s[i];
        unsigned d;
        if (c >= '0' && c <= '9')
            d = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        value = value * base + d;
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

bool IsYes(std::string_view s) {
    return s.size() == 3 && (s[0] | 0x20) == 'y' && (s[1] | 0x20) == 'e' && (s[2] | 0x20) == 's';
}

const char* YesNoText(bool flag) {
    return flag ? "Yes" : "No";
}

namespace {

template <typename T> T ConfigRec::*FieldOf(std::string_view key) {
    auto find = [key](const auto& keys) -> T ConfigRec::* {
        for (const TKeyDef& k : keys)
            if (k.Key == key)
                if (auto field = std::get_if<T ConfigRec::*>(&k.Field)) return *field;
        return nullptr;
    };
    if (auto field = find(Keys)) return field;
    return find(LaterKeys);
}

} // namespace

int32_t ConfigRec::*NumberFieldOf(std::string_view key) {
    return FieldOf<int32_t>(key);
}

bool ConfigRec::*FlagFieldOf(std::string_view key) {
    return FieldOf<bool>(key);
}

void LoadConfigFrom(ConfigRec& rec, const std::string& path) {
    rec.LastToPerson.clear();
    rec.LastToAddress.clear();
    rec.LastSubject.clear();
    rec.LastMessageText.clear();
    const TIniFile ini(path);
    for (const TKeyDef& k : Keys) ReadKey(rec, ini, k);
    for (const TKeyDef& k : LaterKeys) ReadKey(rec, ini, k);
}

bool SaveConfigTo(const ConfigRec& rec, const std::string& path, std::string* error) {
    TIniFile ini(path);
    for (const TKeyDef& k : Keys) ini.WriteString(k.Section, k.Key, TextOf(rec, k));
    // A later key at its default stays away, unless the file has it already.
    for (const TKeyDef& k : LaterKeys) {
        const std::string value = TextOf(rec, k);
        const bool inFile = ini.ReadString(k.Section, k.Key, "\x01", 2) != "\x01";
        // An unknown security keeps the user's own words for it.
        if (IsSecurity(k) && (rec.Security < msNone || rec.Security > msTls) && inFile) continue;
        if (value != k.Default || inFile) ini.WriteString(k.Section, k.Key, value);
    }
    int err = 0;
    if (ini.Save(&err)) return true;
    if (error) *error = "Cannot save the settings to " + path + ": " + std::strerror(err);
    return false;
}

void LoadConfig() {
    LoadConfigFrom(Config, IniFilePath());
}

bool SaveConfig() {
    std::string error;
    if (SaveConfigTo(Config, IniFilePath(), &error)) return true;
    std::fprintf(stderr, "snaprio: %s\n", error.c_str());
    if (ConfigSaveFailed) ConfigSaveFailed(error);
    return false;
}
