// Form1 as designed: the frame and every control with its design-time settings, in tab
// order. Form1 builds itself from these tables; the tests check the built window against
// them.
#pragma once

#include <array>

namespace duza {

inline constexpr char16_t kForm1Caption[] = u" DUZA Database Update Apr_05_2019";
inline constexpr int kClientWidthTwips = 6765;
inline constexpr int kClientHeightTwips = 5070;

// Every message box of the tool carries this title.
inline constexpr char16_t kApplicationTitle[] = u"DUZA Database Update";

enum class ControlKind {
  kTextBox,           // single line
  kMultiLineTextBox,  // with a vertical scroll bar, always shown
  kLabel,
  kOptionButton,
  kCommandButton,
};

enum class ControlFont {
  kArial975,    // Arial 9.75 points, the controls' usual font
  kArial9,      // Arial 9 points
  kWindowFont,  // none of its own
};

struct ControlSpec {
  const char* name;
  ControlKind kind;
  const char16_t* text;
  int left, top, width, height;  // twips
  bool visible;
  bool enabled;
  ControlFont font;
};

// Hidden controls that lie over the status box still matter: the update run reads the
// texts of Text1 and Client.
inline constexpr std::array<ControlSpec, 18> kForm1Controls{{
    {"ServerName", ControlKind::kTextBox, u"", 1560, 1560, 2775, 285, false, true,
     ControlFont::kArial975},
    {"saname", ControlKind::kTextBox, u"sa", 1560, 3720, 1335, 285, false, true,
     ControlFont::kArial975},
    {"pwd", ControlKind::kTextBox, u"quietharbour", 1560, 4080, 1335, 285, false, true,
     ControlFont::kArial975},
    {"Command1", ControlKind::kCommandButton, u"Update DUZA Database", 4440, 3480, 2175, 585,
     true, true, ControlFont::kArial975},
    {"Command2", ControlKind::kCommandButton, u"Exit", 4440, 4200, 2175, 420, true, true,
     ControlFont::kArial975},
    {"Label1", ControlKind::kLabel, u"SQL Login", 570, 3750, 1095, 375, false, true,
     ControlFont::kArial975},
    {"Label2", ControlKind::kLabel, u"Password", 600, 4080, 1095, 255, false, true,
     ControlFont::kArial975},
    {"SQLSrvLabel", ControlKind::kLabel, u"SQL Server Name", 120, 1605, 1455, 375, false,
     true, ControlFont::kArial975},
    {"StatusBox", ControlKind::kMultiLineTextBox, u"", 0, 0, 7000, 1995, true, false,
     ControlFont::kArial975},
    {"Option1", ControlKind::kOptionButton, u"Use Windows Logon", 1560, 3075, 5175, 255, true,
     true, ControlFont::kArial975},
    {"Option2", ControlKind::kOptionButton, u"SQL Server Login", 1560, 3330, 2055, 315, true,
     true, ControlFont::kArial975},
    {"Text1", ControlKind::kTextBox, u"D:\\RAZ", 1560, 1920, 2775, 285, false, true,
     ControlFont::kArial975},
    {"Label3", ControlKind::kLabel, u"Data Directory", 285, 1935, 1335, 255, false, true,
     ControlFont::kArial975},
    {"WebDirbox", ControlKind::kTextBox, u"C:\\Inetpub\\wwwroot", 1560, 2280, 2775, 285, true,
     true, ControlFont::kArial975},
    {"Label4", ControlKind::kLabel, u"Web Directory", 315, 2280, 1215, 255, true, true,
     ControlFont::kArial975},
    {"Client", ControlKind::kTextBox, u"VIVI", 1560, 2640, 855, 285, false, false,
     ControlFont::kWindowFont},
    {"Label9", ControlKind::kLabel, u"Client", 1005, 2640, 615, 255, false, true,
     ControlFont::kArial975},
    {"Label5", ControlKind::kLabel, u"\u00A9 DUZA database tools", 120, 4800, 3615, 255, true,
     true, ControlFont::kArial9},
}};

// The status box starts white; loading turns it to this grey.
inline constexpr unsigned kStatusBoxDesignBackground = 0xFFFFFF;
inline constexpr unsigned kStatusBoxLoadedBackground = 0xF0F0F0;
// The footer label's text colour.
inline constexpr unsigned kFooterTextColour = 0x404040;

}  // namespace duza
