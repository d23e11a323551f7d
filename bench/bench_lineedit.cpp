// Text field with a long text: the time one key press, one click and one drag step take, each
// with the repaint that follows, for a text of 65,500 characters (the field's length limit) and,
// for comparison, of 100. Prints the median and the 90th percentile of the repetitions (the
// slowest run says more about the machine's other load than about the field). No network.
//
// Usage: bench_lineedit [repetitions [length ...]]   (QT_QPA_PLATFORM=offscreen is enough)
#include "lineedit/clineedit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Figures
{
    double median = 0;
    double p90 = 0;
};

// Runs step `repetitions` times; each run is timed from the event to the end of its repaint.
Figures timed(cLineEdit *field, int repetitions, const std::function<void(int)> &step)
{
    std::vector<double> ms;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        step(i);
        field->repaint();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 9 / 10]};
}

void print(int length, const char *what, Figures f)
{
    std::printf("%6d characters  %-36s median %9.3f ms  90%% %9.3f ms\n", length, what, f.median, f.p90);
    std::fflush(stdout);
}

void measure(int length, int repetitions)
{
    QString text;
    while (text.size() < length)
        text += QStringLiteral("gateway-%1.example AVATAR To.ffi ").arg(text.size());
    text.truncate(length - 1); // room for one typed character

    QWidget window;
    window.resize(420, 60);
    auto *field = new cLineEdit(text, 20, QStringLiteral(":/images/popup_form"), &window);
    field->setGeometry(10, 10, 376, 17);
    window.show();
    field->setFocus();
    if (!QTest::qWaitForWindowExposed(&window) || !QTest::qWaitForWindowActive(&window)) {
        std::fprintf(stderr, "bench_lineedit: the window did not show\n");
        return;
    }
    field->repaint(); // the first paint fixes the measuring font
    QTest::keyClick(field, Qt::Key_End);

    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(field, k, modifiers);
    };
    print(length, "key: type at the end, Backspace",
          timed(field, repetitions, [&](int i) { key(i % 2 ? Qt::Key_Backspace : Qt::Key_X); }));
    print(length, "key: Left, Right at the end",
          timed(field, repetitions, [&](int i) { key(i % 2 ? Qt::Key_Right : Qt::Key_Left); }));
    print(length, "key: Shift+Left, Shift+Right", timed(field, repetitions, [&](int i) {
              key(i % 2 ? Qt::Key_Right : Qt::Key_Left, Qt::ShiftModifier);
          }));
    print(length, "key: Home, End",
          timed(field, repetitions, [&](int i) { key(i % 2 ? Qt::Key_End : Qt::Key_Home); }));
    key(Qt::Key_Home);
    print(length, "key: type at the start, Backspace",
          timed(field, repetitions, [&](int i) { key(i % 2 ? Qt::Key_Backspace : Qt::Key_X); }));
    print(length, "click (press and release)", timed(field, repetitions, [&](int i) {
              QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(20 + 15 * (i % 20), 8));
          }));
    QTest::mousePress(field, Qt::LeftButton, {}, QPoint(20, 8));
    print(length, "drag step (move with the button held)", timed(field, repetitions, [&](int i) {
              QMouseEvent move(QEvent::MouseMove, QPointF(30 + 17 * (i % 20), 8),
                               field->mapToGlobal(QPointF(0, 8)), Qt::NoButton, Qt::LeftButton,
                               Qt::NoModifier);
              QApplication::sendEvent(field, &move);
          }));
    QTest::mouseRelease(field, Qt::LeftButton, {}, QPoint(30, 8));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    // Even, so that every pair of typed character and Backspace leaves the text as it found it.
    const int repetitions = 2 * std::max(1, (argc > 1 ? std::atoi(argv[1]) : 40) / 2);
    std::vector<QByteArray> lengths{"100", "65500"};
    if (argc > 2)
        lengths.assign(argv + 2, argv + argc);
    for (const QByteArray &length : lengths)
        measure(length.toInt(), repetitions);
    return 0;
}
