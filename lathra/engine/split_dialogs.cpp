#include "lathra/engine/split_dialogs.h"

#include "lathra/engine/tape_io.h"

namespace lathra::engine {

namespace {

constexpr const char* kCaption = "lathra";

}  // namespace

// ---- TLengthLimit ----

bool TLengthLimit::ShowModal() {
    focus_ = false;
    for (;;) {
        EditDialogView view;
        view.id = DialogId::LengthLimit;
        view.caption = "Разбивка ленты";
        view.labels = {"Введите максимально допустимый размер ленты в байтах"};
        view.field_name = "Length";
        view.field_text = Length;
        view.buttons = {"OK", "Отмена"};
        view.focus_field = focus_;
        const DialogResult r = port_.edit_dialog(view);
        Length = r.field_text;
        if (r.action == DialogAction::Ok) {
            if (OKButtonClick()) return true;
            continue;
        }
        ButtonCancelClick();
        return false;
    }
}

bool TLengthLimit::OKButtonClick() {
    if (Length.empty()) {
        show_message(port_, kCaption, "Введите значение");
        return false;
    }
    long long value = 0;
    for (char c : Length) {
        if (c < '0' || c > '9') {
            show_message(port_, kCaption, "Введен неверный символ");
            focus_ = true;
            return false;
        }
        // Far beyond any tape; saturating keeps the arithmetic defined.
        if (value < 1000000000000000LL) value = value * 10 + (c - '0');
    }
    limit = value - 200;
    return true;
}

// ---- TFileSelectDialog ----

bool TFileSelectDialog::ShowModal() {
    for (;;) {
        EditDialogView view;
        view.id = DialogId::FileSelect;
        view.caption = "Разбивка";
        view.labels = {"Файл  управляющей программы будет разбит на  две части.",
                       "Первая часть будет иметь то же имя, что и исходная программа,",
                       "а ее размер не будет превышать заданной величины.",
                       "Во вторую часть будет помещен остаток ленты, который вы тоже",
                       "сможете разбить на части, если это необходимо.",
                       "Введите полное имя 2-й части разделяемого файла:"};
        view.field_name = "FileName";
        view.field_text = FileName;
        view.buttons = {"OK", "Browse..."};
        const DialogResult r = port_.edit_dialog(view);
        FileName = r.field_text;
        switch (r.action) {
            case DialogAction::Ok:
                if (OKButtonClick()) return true;
                break;
            case DialogAction::Browse: BrowseClick(); break;
            case DialogAction::Cancel: return false;
        }
    }
}

bool TFileSelectDialog::OKButtonClick() {
    if (FileName.empty()) {
        show_message(port_, kCaption, "Не задано имя файла");
        return false;
    }
    if (file_exists(FileName)) {
        const Answer a = show_message(port_, kCaption, "Файл с таким именем уже существует\nПереписать его?",
                                      Buttons::YesNo, MessageKind::Confirmation);
        if (a != Answer::Yes) {
            show_message(port_, kCaption, "Введите другое имя");
            return false;
        }
    }
    return true;
}

void TFileSelectDialog::BrowseClick() {
    SaveFileRequest req;
    req.title = "Задайте путь и имя файла";
    req.default_ext = "up";
    req.filter = "All files (*.*)|*.*";
    req.initial_name = FileName;
    req.initial_directory = directory;
    const auto chosen = port_.save_file_dialog(req);
    FileName = chosen ? *chosen : std::string();
}

}  // namespace lathra::engine
