#include "lathra/engine/up_to_up.h"

#include "lathra/engine/frame_text.h"
#include "lathra/engine/text_format.h"
#include "lathra/engine/tape_io.h"

#include <cstdio>

namespace lathra::engine {

namespace {

constexpr const char* kCaption = "Ошибка в программе UpToUp";

std::string braking_text(const BrakingError& e) {
    if (e.code == -22)
        return format("\nСлишком маленькая подача в кадре:\n%s%s\n", e.frame.c_str(), e.next_frame.c_str()) +
               "\nСтанок не успевает затормозиться в предыдущих 18-и кадрах.\n"
               "Скорректируйте исходную программу.\n\n";
    return format(
        "\nВ кадре c круговой интерполяцией %sнедопустимое торможение до 0. "
        "Скорректируйте исходную программу.\n\n",
        e.frame.c_str());
}

}  // namespace

TUpToUp::TUpToUp(std::string input, std::string output, int FeedMax, int A, int SpeedLimit, DialogPort& port)
    : input_(std::move(input)),
      output_(std::move(output)),
      feed_max_(FeedMax),
      acceleration_(A),
      speed_limit_(SpeedLimit),
      port_(port) {}

RepassResult TUpToUp::Run() {
    RepassResult result;
    LineReader in;
    TapeWriter out;
    const std::string* failed = nullptr;
    if (!in.open(input_)) failed = &input_;
    else if (!out.create(output_)) failed = &output_;
    if (failed) {
        show_message(port_, kCaption, format("Не могу открыть файл %s", failed->c_str()), Buttons::Ok,
                     MessageKind::Error);
        result.status = RepassStatus::CannotOpen;
        return result;
    }

    Analyzer analyzer(AnalysisOptions::repass(speed_limit_, clamp_feed_max(feed_max_), acceleration_));
    Numbering numbering(3, 1000);
    const PassEnd end = run_window_pass(in, out, analyzer, numbering);
    const bool done = end == PassEnd::Done;
    const ConversionState& st = analyzer.state();
    result.sum_x = st.sum_x;
    result.sum_y = st.sum_y;
    result.sum_z = st.sum_z;
    const bool written = out.close();
    if (done && in.failed()) {
        show_message(port_, kCaption, format("Не могу открыть файл %s", input_.c_str()), Buttons::Ok,
                     MessageKind::Error);
        result.status = RepassStatus::CannotOpen;
        return result;
    }
    if (end == PassEnd::ValueOutOfRange) {
        result = RepassResult{};
        result.status = RepassStatus::ValueOutOfRange;
        show_message(port_, kCaption, oversized_value_text(in.bad_frame()), Buttons::Ok, MessageKind::Error);
        return result;
    }
    if (!done) {
        result.status = RepassStatus::BrakingError;
        result.braking = analyzer.error();
        show_message(port_, kCaption, braking_text(result.braking), Buttons::Ok, MessageKind::Error);
        return result;
    }
    if (!written) {
        show_message(port_, kCaption, format("Не могу записать файл %s", output_.c_str()), Buttons::Ok,
                     MessageKind::Error);
        result.status = RepassStatus::WriteFailed;
        return result;
    }
    show_message(port_, "lathra",
                 format("Контрольные суммы:\nSUMX =%10.2f mm\nSUMY =%10.2f mm\nSUMZ =%10.2f mm",
                        checksum_shown(result.sum_x), checksum_shown(result.sum_y), checksum_shown(result.sum_z)),
                 Buttons::Ok, MessageKind::Information);
    return result;
}

}  // namespace lathra::engine
