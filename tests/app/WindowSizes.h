#pragma once

#include "AppTestSupport.h"

#include <QApplication>
#include <QRect>
#include <QWidget>

#include <ostream>
#include <string>

// A size the exercise screen is met at.
struct WindowSize {
    const char* name;
    QRect screen; // empty: the window at its least size
};

inline void PrintTo(const WindowSize& size, std::ostream* out)
{
    *out << size.name;
}

// An app test run once at each size people meet: the least window, a 1024 x 600 netbook and a
// 1366 x 768 laptop (the window fitted to the screen).
class WindowSizeTest : public AppTest, public ::testing::WithParamInterface<WindowSize> {
protected:
    void openWindow()
    {
        const QRect area = GetParam().screen;
        useScreens({area.isEmpty() ? kDesktopScreen : area});
        launch();
        QWidget* window = delegate()->window();
        if (area.isEmpty())
            window->resize(window->minimumSizeHint().expandedTo(window->minimumSize()));
        QApplication::processEvents();
    }
    std::string sizeName() const { return GetParam().name; }
};

#define INSTANTIATE_AT_COMMON_WINDOW_SIZES(suite)                                                                      \
    INSTANTIATE_TEST_SUITE_P(WindowSizes, suite,                                                                       \
                             ::testing::Values(WindowSize{"Least", QRect()},                                           \
                                               WindowSize{"Netbook1024x600", QRect(0, 0, 1024, 600)},                  \
                                               WindowSize{"Laptop1366x768", QRect(0, 0, 1366, 768)}),                  \
                             [](const ::testing::TestParamInfo<WindowSize>& info) { return std::string(info.param.name); })
