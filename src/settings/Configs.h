// The settings record and its INI file. One global record, Config, loaded
// once at start and written back whole; fields are named after their keys.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

using TColor = int32_t; // low byte red, then green, then blue

struct ConfigRec {
    bool FirstTime;
    int32_t WhatToCap;
    int32_t Shape;
    int32_t Action;
    int32_t CaptureKey;
    // Per-shape mask colour, border colour and border flag.
    TColor RoundRectShapeColor;
    TColor RoundRectBorderColor;
    bool RoundRectUseBorder;
    TColor RoundSquareShapeColor;
    TColor RoundSquareBorderColor;
    bool RoundSquareUseBorder;
    TColor EllipseShapeColor;
    TColor EllipseBorderColor;
    bool EllipseUseBorder;
    TColor CircleShapeColor;
    TColor CircleBorderColor;
    bool CircleUseBorder;
    TColor TriUpShapeColor;
    TColor TriUpBorderColor;
    bool TriUpUseBorder;
    TColor TriDownShapeColor;
    TColor TriDownBorderColor;
    bool TriDownUseBorder;
    TColor TriLeftShapeColor;
    TColor TriLeftBorderColor;
    bool TriLeftUseBorder;
    TColor TriRightShapeColor;
    TColor TriRightBorderColor;
    bool TriRightUseBorder;
    TColor DiamondShapeColor;
    TColor DiamondBorderColor;
    bool DiamondUseBorder;
    int32_t StarVector;
    int32_t StarVectorSize;
    TColor StarShapeColor;
    TColor StarBorderColor;
    bool StarUseBorder;
    int32_t Poly1Vector;
    int32_t Poly1VectorSize;
    int32_t Poly1Angle;
    TColor Poly1Color;
    TColor Poly1BorderColor;
    bool Poly1UseBorder;
    int32_t Poly2Vector;
    int32_t Poly2VectorSize;
    int32_t Poly2Angle;
    TColor Poly2Color;
    TColor Poly2BorderColor;
    bool Poly2UseBorder;
    int32_t Poly3Vector;
    int32_t Poly3VectorSize;
    int32_t Poly3Angle;
    TColor Poly3Color;
    TColor Poly3BorderColor;
    bool Poly3UseBorder;
    int32_t Poly4Vector;
    int32_t Poly4VectorSize;
    int32_t Poly4Angle;
    TColor Poly4Color;
    TColor Poly4BorderColor;
    bool Poly4UseBorder;
    int32_t Poly5Vector;
    int32_t Poly5VectorSize;
    int32_t Poly5Angle;
    TColor Poly5Color;
    TColor Poly5BorderColor;
    bool Poly5UseBorder;
    std::string SMTPHost;
    int32_t SMTPPort;
    std::string EMailName;
    std::string EMailAddress;
    int32_t AttachmentEncoding;
    std::string EMailFile;
    // Written only when they differ from their defaults (0 and empty), so a
    // file that never used them keeps exactly the ConfigKeyCount keys.
    int32_t Security;     // "Security": 0 none, 1 STARTTLS, 2 TLS, other unknown
    std::string UserName; // "User Name" of the mail server's login
    // Transient: last entries of the e-mail dialog, never written to the file.
    std::string LastToPerson;
    std::string LastToAddress;
    std::string LastSubject;
    std::string LastMessageText;
};

extern ConfigRec Config;

constexpr int ConfigKeyCount = 73;
constexpr size_t ConfigTextLength = 50; // characters a text field keeps
// A login is often a whole address: "User Name" keeps up to RFC 5321's 320.
constexpr size_t ConfigLoginLength = 320;
constexpr size_t ConfigTransientLength = 255;

// Fills Config from the settings file (IniFilePath()); never fails.
void LoadConfig();
// Writes every persisted field of Config in one atomic save. A failure is
// said on stderr and handed to ConfigSaveFailed; the result says whether it
// was saved.
bool SaveConfig();
// Shows a failed save's text where the program can (a box when a window is up).
extern std::function<void(const std::string& text)> ConfigSaveFailed;

// The same for any record and file; Error gets "Cannot save the settings to
// PATH: reason" on failure.
void LoadConfigFrom(ConfigRec& rec, const std::string& path);
bool SaveConfigTo(const ConfigRec& rec, const std::string& path, std::string* error = nullptr);

// A setting's integer: leading blanks, an optional sign, "$" or "0x" for
// hexadecimal, digits up to the first character that does not fit; no digits
// give 0. Values beyond 32 bits wrap around.
int32_t IniToInt(std::string_view text);
// A setting's flag: true exactly for "YES" in any letter case.
bool IsYes(std::string_view text);
const char* YesNoText(bool flag);

// The field that the persisted key Key (as written, e.g. "Star Vector")
// fills; null when no key of that name holds a number or a flag.
int32_t ConfigRec::*NumberFieldOf(std::string_view key);
bool ConfigRec::*FlagFieldOf(std::string_view key);
