#include "lathra/engine/ptp_to_up.h"

#include "lathra/engine/frame_text.h"
#include "lathra/engine/text_format.h"

#include <cstdio>

namespace lathra::engine {

namespace {

constexpr const char* kErrorCaption = "Ошибка в программе";
constexpr const char* kCannotOpenPtp = "Не могу открыть ptp-файл -> lathra::PtpToUp";
constexpr const char* kCannotCreateUp = "Не могу создать up-файл -> lathra::PtpToUp";
constexpr const char* kCannotWriteUp = "Не могу записать up-файл -> lathra::PtpToUp";

constexpr const char* kStoppedArc =
    "В кадре c круговой интерполяцией %s               недопустимое торможение до 0. "
    "Скорректируйте исходную программу.\n Как Решение:\n\t 1.вывод окружности линейными "
    "отрезками\n\t 2.убрать галочку восстановления скорости на окружности";
constexpr const char* kCannotBrake =
    "Слишком маленькая подача в кадре:\n%s \n \t  Станок не успевает затормозиться в "
    "предыдущих 18-и кадрах.\n \t  Скорректируйте исходную программу.\n Как Решение: \n\t "
    "1.вывод окружности линейными отрезками\n\t 2.убрать галочку восстановления скорости на "
    "окружности";

}  // namespace

void print_error(DialogPort& port, int code, const std::string& frame) {
    if (code != -21 && code != -22) return;
    show_message(port, "lathra", code == -21 ? format(kStoppedArc, frame.c_str()) : format(kCannotBrake, frame.c_str()),
                 Buttons::Ok, MessageKind::Error);
}

void none_methods(LineReader& in, TapeWriter& out, const ConversionSettings& settings, ConversionResult& result) {
    const int feed_max = clamp_feed_max(settings.feed_max);
    Numbering numbering(settings.numbering == NumberingMode::Free ? 5 : 3,
                        settings.numbering == NumberingMode::Free ? 100000 : 1000);
    int current_feed = 0;
    std::string line;
    while (in.next(line)) {
        double v;
        if (word_real(line, 'X', v)) result.sum_x += v * 0.01;
        if (word_real(line, 'Y', v)) result.sum_y += v * 0.01;
        if (word_real(line, 'Z', v)) result.sum_z += v * 0.01;
        long f;
        if (word_int(line, 'F', f)) {
            current_feed = static_cast<int>(f);
            if (current_feed > feed_max) current_feed = feed_max;
            replace_word(line, 'F', feed_convert(current_feed));
        }
        numbering.apply(line);
        out.write(line);
    }
}

ConversionResult PtpToUp(const std::string& ptp_name, const std::string& up_name, const ConversionSettings& settings,
                         DialogPort& port) {
    ConversionResult result;
    LineReader in;
    if (!in.open(ptp_name)) {
        show_message(port, kErrorCaption, kCannotOpenPtp, Buttons::Ok, MessageKind::Error);
        result.status = ConversionStatus::CannotOpenPtp;
        return result;
    }
    // The .up is written beside itself and takes its name once the pass has
    // run, so a failed run leaves a good older .up as it was.
    TapeWriter out;
    if (!out.create_beside(up_name)) {
        show_message(port, kErrorCaption, kCannotCreateUp, Buttons::Ok, MessageKind::Error);
        result.status = ConversionStatus::CannotCreateUp;
        return result;
    }

    if (settings.machine == 0) {
        none_methods(in, out, settings, result);
    } else {
        Analyzer analyzer(AnalysisOptions::conversion(settings.speed_limit, clamp_feed_max(settings.feed_max),
                                                      settings.acceleration, settings.circle_slowdown));
        Numbering numbering(settings.numbering == NumberingMode::Free ? 5 : 3,
                            settings.numbering == NumberingMode::Free ? 30000 : 1000);
        const PassEnd end = run_window_pass(in, out, analyzer, numbering);
        const ConversionState& st = analyzer.state();
        result.sum_x = st.sum_x;
        result.sum_y = st.sum_y;
        result.sum_z = st.sum_z;
        if (end == PassEnd::BrakingError) {
            // The frames written before the error stay in the .up file.
            result.status = ConversionStatus::BrakingError;
            result.braking = analyzer.error();
            print_error(port, result.braking.code, result.braking.frame);
        }
    }
    if (result.status == ConversionStatus::Ok && in.value_out_of_range()) {
        // Like a braking error: the frames written before it stay, and no
        // sum or time is reported from the tape.
        result = ConversionResult{};
        result.status = ConversionStatus::ValueOutOfRange;
        result.bad_frame = in.bad_frame();
        show_message(port, kErrorCaption, oversized_value_text(result.bad_frame), Buttons::Ok, MessageKind::Error);
    }
    if (in.failed()) {
        // A tape that could not be read to its end is not converted.
        out.discard();
        show_message(port, kErrorCaption, kCannotOpenPtp, Buttons::Ok, MessageKind::Error);
        result.status = ConversionStatus::CannotOpenPtp;
        return result;
    }
    in.close();
    if (!out.commit()) {
        show_message(port, kErrorCaption, kCannotWriteUp, Buttons::Ok, MessageKind::Error);
        result.status = ConversionStatus::WriteFailed;
    }
    return result;
}

}  // namespace lathra::engine
