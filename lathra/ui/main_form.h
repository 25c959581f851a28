// The main form of lathra as a port: the values of its components, the
// events it delivers to the dialog logic, and the interface every back end
// (desktop window, console, scripted) implements to show it.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace lathra::ui {

// Texts of the main form.
namespace form_text {
inline constexpr std::string_view kCaption = "Постпроцессор для станков с УЧПУ Н33";
inline constexpr std::array<std::string_view, 5> kMachines = {"NONE", "ФП-9", "ФП-17", "6М13СМН", "MA655A2"};
inline constexpr std::string_view kLabel4 =
    "Рекомендуемые значения для станков  .......................................";
inline constexpr std::string_view kGroupBox1 = "Параметры торможения";
inline constexpr std::string_view kSpeedLimitLabel =
    "Максимально  допустимая подача при полном реверсе (мм/мин)   .........";
inline constexpr std::string_view kFeedMaxLabel =
    "Максимально допустимая подача холостого хода (мм/мин)   ....................";
inline constexpr std::string_view kALabel =
    "Ускорение (мм в сек*сек)   "
    ".............................................................................";
inline constexpr std::string_view kGroupBox2 = "Нумерация кадров...........";
inline constexpr std::string_view kRadioH33 = "Стандартный Н33 (max 999)";
inline constexpr std::string_view kRadioFree = "Свободный (max 99999)";
inline constexpr std::string_view kCircle = "Восстанавливать скорость после торможения на окружности";
inline constexpr std::string_view kNotepad = "После постпроцессирования открыть файл  в блокноте .";
inline constexpr std::string_view kStart = "Постпроцесс";
inline constexpr std::string_view kExit = "Выход";
inline constexpr std::string_view kLabel5 = "(для совместимости со старыми версиями  &lathra)";
}  // namespace form_text

// A check box has a third, grey state; the job counts it as checked.
enum class CheckState { Unchecked, Checked, Grayed };

// The three edit fields of the braking parameters.
enum class FormField { SpeedLimit, FeedMax, A };

// Values of the form's components, owned by the dialog logic; a back end
// shows them and reports the user's edits as events.
struct MainFormValues {
    int machine = 0;                          // ComboBoxMachine: index 0..4
    std::string speed_limit;                  // SpeedLimitField
    std::string feed_max;                     // FeedMaxField
    std::string accel;                        // AField
    bool numbering_free = false;              // RadioButtonStandartFree (else H33)
    CheckState circle = CheckState::Checked;  // CheckCircleSlowdn
    bool notepad = false;                     // CheckBoxNotepad
    std::string status;                       // StatusBarInfo, its one panel
    std::string param;                        // Param: the argument part of the command line
    bool operator==(const MainFormValues&) const = default;
};

// Events of the form, handled by the dialog logic. After each handler the
// back end shows values() again.
class MainFormEvents {
public:
    virtual ~MainFormEvents() = default;
    virtual const MainFormValues& values() const = 0;
    virtual void ComboBoxMachineChange(int index) = 0;
    virtual void SpeedLimitFieldChange(std::string text) = 0;
    virtual void FeedMaxFieldChange(std::string text) = 0;
    virtual void AFieldChange(std::string text) = 0;
    virtual void numbering_chosen(bool free) = 0;   // the radio buttons
    virtual void circle_set(CheckState state) = 0;  // CheckCircleSlowdn
    virtual void notepad_set(bool on) = 0;          // CheckBoxNotepad
    virtual void StartButtonClick() = 0;
    virtual void ExitButtonClick() = 0;
    virtual void Image1DblClick() = 0;
};

// A back end that shows the main form.
class MainForm {
public:
    virtual ~MainForm() = default;
    // Shows the form and delivers the user's events until close() is called
    // (or the user leaves the form, which the back end reports as the exit
    // button).
    virtual void run(MainFormEvents& events) = 0;
    // Shows the current values again (a handler changed them while it runs,
    // e.g. the status bar during the job).
    virtual void refresh() = 0;
    // Ends run() once the running handler returns.
    virtual void close() = 0;
};

// One command of the plain-line protocol that drives a form from text
// (console back end, scripted tests):
//   machine=N  speed=TEXT  feed=TEXT  accel=TEXT  numbering=h33|free
//   circle=on|off  notepad=on|off  start (or an empty line)  exit
// Returns Unknown for anything else, without calling a handler.
enum class CommandResult { Handled, Unknown };
CommandResult apply_form_command(MainFormEvents& events, std::string_view line);

// Runs the change handler of one of the three braking fields.
void change_field(MainFormEvents& events, FormField field, std::string text);

}  // namespace lathra::ui
