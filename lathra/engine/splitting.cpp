#include "lathra/engine/splitting.h"

#include "lathra/engine/frame_text.h"
#include "lathra/engine/split_dialogs.h"
#include "lathra/engine/text_format.h"
#include "lathra/engine/up_to_up.h"

#include <cstdio>
#include <filesystem>

namespace lathra::engine {

namespace {

constexpr const char* kCaption = "lathra";
constexpr const char* kErrorCaption = "Ошибка в программе lathra";
// What the length dialog takes off the entered number for the frames that
// close the first part.
constexpr long long kLimitMargin = 200;

bool contains(const std::string& line, const char* text) { return line.find(text) != std::string::npos; }

// Where the line end of a line begins (its size when it has none).
std::size_t line_end(const std::string& line) {
    std::size_t end = line.size();
    if (end > 0 && line[end - 1] == '\n') --end;
    if (end > 0 && line[end - 1] == '\r') --end;
    return end;
}

// The directory a file lies in, as a full path.
std::string directory_of(const std::string& name) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(name, ec);
    return ec ? std::string() : full.parent_path().string();
}

}  // namespace

// ---- TRazbivka ----

TRazbivka::TRazbivka(std::string up_name, int SpeedLimit, int FeedMax, int A, DialogPort& port)
    : up_name_(std::move(up_name)), speed_limit_(SpeedLimit), feed_max_(FeedMax), acceleration_(A), port_(port) {}

bool TRazbivka::ask(const std::string& text) {
    return show_message(port_, kCaption, text, Buttons::YesNo, MessageKind::Confirmation) == Answer::Yes;
}

void TRazbivka::tell(const std::string& caption, const std::string& text) {
    show_message(port_, caption, text, Buttons::Ok, caption == kErrorCaption ? MessageKind::Error : MessageKind::Plain);
}

SplitOutcome TRazbivka::Dialogue() {
    SplitOutcome outcome;
    const long long size = file_size(up_name_);
    if (size < 0) {
        tell(kErrorCaption, format("Не могу открыть файл %s", up_name_.c_str()));
        outcome.status = SplitStatus::Failed;
        return outcome;
    }
    if (!ask(format("Размер файла %s - %lld байт(а).\nЕсть ограничение на его длину?", up_name_.c_str(), size)))
        return outcome;
    TLengthLimit dialog(port_);
    if (!dialog.ShowModal()) return outcome;
    limit = dialog.limit;
    length_text_ = dialog.Length;
    return Split(up_name_);
}

SplitOutcome TRazbivka::Split(const std::string& first_name) {
    SplitOutcome outcome;
    std::string name = first_name;
    for (;;) {
        const long long size = file_size(name);
        if (size < 0) {
            tell(kErrorCaption, format("Не могу открыть файл %s", name.c_str()));
            outcome.status = SplitStatus::Failed;
            return outcome;
        }
        if (size < limit) {
            tell(kCaption, "Разбивка закончена");
            outcome.status = SplitStatus::Finished;
            return outcome;
        }
        // The first part must hold at least one move after the frames that
        // start the tape; a smaller limit is refused and asked again.
        const long long needed = bytes_through_first_move(name);
        if (needed < 0) {
            outcome.status = SplitStatus::Failed;
            return outcome;
        }
        if (limit < needed) {
            tell(kCaption, format("Первая часть не вместит ни одного кадра с перемещением.\n"
                                  "Введите не менее %lld байт(а)",
                                  needed + kLimitMargin));
            TLengthLimit dialog(port_);
            dialog.Length = length_text_;
            if (!dialog.ShowModal()) {
                outcome.status = SplitStatus::Stopped;
                return outcome;
            }
            limit = dialog.limit;
            length_text_ = dialog.Length;
            continue;
        }
        std::string second;
        for (;;) {
            if (!ask(format("Размер файла %s - %lld байт(а).\nРазбить его на два?\n(Размер первой "
                            "части файла будет примерно %lld байт(а))",
                            name.c_str(), size, limit + kLimitMargin))) {
                outcome.status = SplitStatus::Stopped;
                return outcome;
            }
            TFileSelectDialog dialog(port_);
            dialog.directory = directory_of(name);
            if (!dialog.ShowModal()) continue;
            second = dialog.FileName;
            if (same_file(second, name)) break;
            const CutResult r = cut(name, second);
            if (r == CutResult::Failed) {
                outcome.status = SplitStatus::Failed;
                return outcome;
            }
            if (r == CutResult::Done) break;
        }
        if (same_file(second, name)) {
            // The input is never opened for writing; start over with it.
            tell(kCaption, format("Нельзя затирать файл %s", name.c_str()));
            continue;
        }
        outcome.second_parts.push_back(second);
        reset();
        name = second;
    }
}

long long TRazbivka::bytes_through_first_move(const std::string& name) {
    LineReader in;
    if (!in.open(name)) {
        tell(kErrorCaption, format("Не могу открыть файл %s", name.c_str()));
        return -1;
    }
    long long count = 0;
    std::string line;
    while (in.next(line)) {
        count += static_cast<long long>(line.size()) + 1;  // as the cut counts
        if (has_word(line, 'X') || has_word(line, 'Y') || has_word(line, 'Z')) return count;
    }
    if (in.value_out_of_range()) {
        tell(kErrorCaption, oversized_value_text(in.bad_frame()));
        return -1;
    }
    if (in.failed()) {
        tell(kErrorCaption, format("Не могу открыть файл %s", name.c_str()));
        return -1;
    }
    return count;  // no move at all: only a limit above the whole tape
}

TRazbivka::CutResult TRazbivka::cut(const std::string& name, const std::string& second) {
    LineReader in;
    if (!in.open(name)) {
        tell(kErrorCaption, format("Не могу открыть файл %s", name.c_str()));
        return CutResult::Failed;
    }
    // Both parts are written to temporary files beside their targets and
    // re-passed into two more; only when both re-passes succeeded do the
    // results take the names of the second part and of the input.
    ScratchFile raw_first, raw_second, done_first, done_second;
    if (!raw_first.create_beside(name) || !done_first.create_beside(name)) {
        tell(kErrorCaption, format("Не могу создать файл %s", name.c_str()));
        return CutResult::Failed;
    }
    if (!raw_second.create_beside(second) || !done_second.create_beside(second)) {
        tell(kErrorCaption, format("Не могу создать файл %s", second.c_str()));
        return CutResult::Retry;
    }
    if (!first_.create(raw_first.path())) {
        tell(kErrorCaption, format("Не могу создать файл %s", name.c_str()));
        return CutResult::Failed;
    }
    if (!second_.create(raw_second.path())) {
        tell(kErrorCaption, format("Не могу создать файл %s", second.c_str()));
        first_.discard();
        return CutResult::Retry;
    }
    reset();
    second_.write("%\n");
    std::string line;
    while (in.next(line)) {
        // The count takes one byte more per line than the line holds with
        // its line feed: the carriage return of the CR LF line end that the
        // machine's tape format has, so that the limit holds for it too.
        count_ += static_cast<long long>(line.size()) + 1;
        if (!second_started_ && count_ > limit) {
            CloseFirstPart();
            second_started_ = true;
        }
        if (second_started_) CopyToSecondPart(line);
        else CopyToFirstPart(line);
    }
    if (in.value_out_of_range() || sums_out_of_range_) {
        tell(kErrorCaption, oversized_value_text(in.value_out_of_range() ? in.bad_frame() : bad_sum_frame_));
        first_.discard();
        second_.discard();
        return give_up(name);
    }
    const bool read_all = !in.failed();
    in.close();
    const bool first_written = first_.close();
    const bool second_written = second_.close();

    if (!read_all || !first_written || !second_written) return give_up(name);
    if (!TUpToUp(raw_first.path(), done_first.path(), feed_max_, acceleration_, speed_limit_, port_).Run().ok())
        return give_up(name);
    if (!TUpToUp(raw_second.path(), done_second.path(), feed_max_, acceleration_, speed_limit_, port_).Run().ok())
        return give_up(name);
    // The new file first: until the input is replaced, nothing of it is lost.
    if (!done_second.move_to(second)) return give_up(name);
    if (!done_first.move_to(name)) return give_up(name);
    return CutResult::Done;
}

TRazbivka::CutResult TRazbivka::give_up(const std::string& name) {
    tell(kErrorCaption, format("Разбивка файла %s не выполнена.\nИсходные файлы не изменены.", name.c_str()));
    return CutResult::Failed;
}

void TRazbivka::reset() {
    count_ = 0;
    second_started_ = false;
    first_move_passed_ = false;
    last_f_.clear();
    last_l_.clear();
    motion_ = 1;
    plane_ = 0;
    sum_x_ = sum_y_ = sum_z_ = 0;
    sums_out_of_range_ = false;
    bad_sum_frame_.clear();
    stop_list_.clear();
}

void TRazbivka::CopyToFirstPart(const std::string& line) {
    long v;
    // Each value has at most nine digits; a sum that still ran out of its
    // range would be a tape no machine holds, and is refused like one.
    auto add = [&](long& sum) {
        if (__builtin_add_overflow(sum, v, &sum) && !sums_out_of_range_) {
            sums_out_of_range_ = true;
            bad_sum_frame_ = line;
        }
    };
    if (word_int(line, 'X', v)) add(sum_x_);
    if (word_int(line, 'Y', v)) add(sum_y_);
    if (word_int(line, 'Z', v)) add(sum_z_);
    if (has_word(line, 'F')) last_f_ = std::string(word_value(line, 'F'));
    if (has_word(line, 'L')) last_l_ = std::string(word_value(line, 'L'));

    // What the second part has to restore, and what the first part has to
    // stop at its end.
    if (has_word(line, 'S')) {
        const std::string s(word_value(line, 'S'));
        if (has_word(line, 'M'))
            second_.write(format("N000S%sM%s\n", s.c_str(), std::string(word_value(line, 'M')).c_str()));
        else second_.write(format("N000S%s\n", s.c_str()));
    }
    if (contains(line, "M03")) {
        second_.write("N000M03\n");
        stop_list_.push_back("N000M05\n");
    } else if (contains(line, "M04")) {
        second_.write("N000M04\n");
        stop_list_.push_back("N000M05\n");
    }
    if (contains(line, "M08")) {
        second_.write("N000M08\n");
        stop_list_.push_back("N000M09\n");
    }
    if (has_word(line, 'T')) second_.write(format("N000M06T%s\n", std::string(word_value(line, 'T')).c_str()));

    if (contains(line, "G01")) motion_ = 1;
    else if (contains(line, "G02")) motion_ = 2;
    else if (contains(line, "G03")) motion_ = 3;
    if (contains(line, "G17")) plane_ = 17;
    else if (contains(line, "G18")) plane_ = 18;
    else if (contains(line, "G19")) plane_ = 19;

    first_.write(line);
}

void TRazbivka::CloseFirstPart() {
    for (const std::string& stop : stop_list_) first_.write(stop);

    // The Z moves run at 300 mm/min; a tape with L words also has its L
    // value restored, and cancels the radius compensation on the way back.
    const std::string slow = feed_convert(300);
    auto z_move = [&](long z, bool back) {
        const std::string zw = format("Z%+6.6ld", z);
        std::string frame = last_l_.empty() ? format("N000G01%sF0660\n", zw.c_str())
                                            : format(back ? "N000G01G40%sF0660L%s\n" : "N000G01%sF0660L%s\n",
                                                     zw.c_str(), last_l_.c_str());
        replace_word(frame, 'F', slow);
        return frame;
    };
    auto xy_move = [&](long x, long y) {
        return format("N000G01%s%sF0712\n", format("X%+6.6ld", x).c_str(), format("Y%+6.6ld", y).c_str());
    };

    // Back to the start point: Z first, then X and Y.
    if (sum_z_ != 0) first_.write(z_move(-sum_z_, true));
    if (sum_x_ != 0 && sum_y_ != 0) first_.write(xy_move(-sum_x_, -sum_y_));
    first_.write("N000M30\n");
    first_.write("$\n");
    first_.close();

    // And out again at the start of the second part: X and Y, then Z.
    if (sum_x_ != 0 && sum_y_ != 0) second_.write(xy_move(sum_x_, sum_y_));
    if (sum_z_ != 0) second_.write(z_move(sum_z_, false));
    if (plane_ != 0) second_.write(format("N000G%d\n", plane_));
}

void TRazbivka::CopyToSecondPart(const std::string& line) {
    if (!first_move_passed_ && (has_word(line, 'X') || has_word(line, 'Y') || has_word(line, 'Z'))) {
        first_move_passed_ = true;
        std::string frame = line;
        // The first move of the second part states its feed and its motion.
        if (frame.find('F') == std::string::npos && !last_f_.empty()) frame.insert(line_end(frame), "F" + last_f_);
        if (!contains(frame, "G01") && !contains(frame, "G02") && !contains(frame, "G03") && motion_ != 1)
            second_.write(format("N000G%2.2d\n", motion_));
        second_.write(frame);
        return;
    }
    second_.write(line);
}

SplitOutcome RunSplitter(DialogPort& port, const std::string& up_name, int SpeedLimit, int FeedMax, int A) {
    TRazbivka splitter(up_name, SpeedLimit, FeedMax, A, port);
    return splitter.Dialogue();
}

}  // namespace lathra::engine
