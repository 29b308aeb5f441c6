#include "model/form_layouts.h"

#include <cstdlib>
#include <cstring>

#include "texts/language.h"

namespace vidloom {

namespace {

using K = FormControlKind;
constexpr TextFont kBold{11, true};
constexpr TextFont kBigBold{13, true};

const FormControlLayout kOptionsControls[] = {
    {K::kGroup, "OptionsGroup", {12, 9, 334, 180}, N_(" Additional Options ")},
    {K::kCheckBox, "CheckBoxOverWrite", {12, 39, 250, 13}, nullptr, {}, "OptionsGroup"},
    {K::kCheckBox, "CheckBoxKeepFolders", {12, 60, 250, 13}, nullptr, {}, "OptionsGroup"},
    {K::kCheckBox, "CheckBoxShutDown", {12, 81, 307, 16}, nullptr, {}, "OptionsGroup"},
    {K::kText, "DropDownCountLabel", {363, 129, 236, 13}, nullptr, {}, "OptionsGroup", true},
    {K::kNumber, "DropDownCount", {412, 126, 40, 22}, nullptr, {}, "OptionsGroup", true},
    {K::kText, "LabelFilesAtOnce", {12, 121, 160, 16}, nullptr, {}, "OptionsGroup"},
    {K::kNumber, "SpinEditFilesAtOnce", {180, 118, 52, 22}, nullptr, {}, "OptionsGroup"},
    {K::kText, "LanguageLabel", {12, 152, 160, 16}, nullptr, {}, "OptionsGroup"},
    {K::kSelector, "ComboLanguage", {180, 148, 140, 21}, nullptr, {}, "OptionsGroup"},
    {K::kButton, "DoneButton", {114, 215, 118, 34}},
};

const FormControlLayout kWarningControls[] = {
    // Which option asked for the power-off, above the countdown.
    {K::kText, "Reason", {12, 4, 341, 34}},
    {K::kText, "CountdownText", {51, 42, 270, 18}, nullptr, kBigBold},
    {K::kText, "ElapsedSeconds", {177, 81, 30, 18}, N_("Seconds elapsed"), kBigBold},
    {K::kButton, "DoNotTurnOffButton", {123, 123, 118, 43}},
};

const FormControlLayout kAnalyzingControls[] = {
    {K::kText, "Heading", {8, 12, 259, 20}, nullptr, {13, false}},
    {K::kPanel, "FileBeingAnalysed", {8, 44, 259, 23}, N_("File being analysed"), kBold},
    {K::kText, "Count", {8, 68, 259, 18}, N_("Files analysed")},
    {K::kButton, "CancelButton", {100, 94, 75, 25}},
};

const FormControlLayout kAboutControls[] = {
    {K::kPicture, "ProgramIcon", {15, 13, 32, 32}},
    {K::kText, "ProductLabel", {63, 19, 100, 16}, nullptr, kBold},
    {K::kText, "VersionLabel", {141, 39, 100, 16}},
    {K::kButton, "OkButton", {273, 52, 77, 31}, nullptr, kBold},
    {K::kLine, "UpperSunkenLine", {9, 90, 340, 2}},
    {K::kLink, "WebsiteLink", {86, 108, 200, 16}},
    {K::kLink, "SupportLink", {86, 136, 200, 16}},
    {K::kLine, "LowerSunkenLine", {9, 170, 340, 2}},
    {K::kText, "Footer", {104, 190, 150, 16}},
};

}  // namespace

const FormLayout kOptionsLayout = {359, 269, kOptionsControls};
const FormLayout kWarningLayout = {365, 186, kWarningControls};
const FormLayout kAnalyzingLayout = {275, 138, kAnalyzingControls};
const FormLayout kAboutLayout = {359, 221, kAboutControls};

const FormControlLayout& FormLayout::Control(const char* control_name) const {
  for (const FormControlLayout& control : controls) {
    if (std::strcmp(control.name, control_name) == 0) return control;
  }
  std::abort();  // a view asked for a control its window does not have
}

Box FormLayout::ClientBox(const FormControlLayout& control) const {
  Box box = control.box;
  if (control.group != nullptr) {
    const Box group = Control(control.group).box;
    box.x += group.x;
    box.y += group.y;
  }
  return box;
}

}  // namespace vidloom
