#include "core/ui/backdrop.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QWidget>
#include <QWindow>

#include <bit>
#include <cstdlib>

#ifdef WORDAROO_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace Backdrop
{
#ifdef WORDAROO_HAVE_XCB
namespace
{
xcb_connection_t *xcbConnection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The colour's pixel on a true-colour visual, made from the visual's channel masks.
uint32_t trueColourPixel(const xcb_visualtype_t &visual, const QColor &colour)
{
    const auto channel = [](uint32_t mask, int value) -> uint32_t {
        if (mask == 0)
            return 0;
        const int shift = std::countr_zero(mask);
        const uint32_t max = mask >> shift;
        return ((uint32_t(value) * max + 127) / 255) << shift;
    };
    return channel(visual.red_mask, colour.red()) | channel(visual.green_mask, colour.green()) |
           channel(visual.blue_mask, colour.blue());
}

// The root visual of the display's one screen, when it is true colour: an opaque
// window of the usual depth is made with it or with one of the same layout, so the
// pixel of a colour is known without asking the server. Null otherwise.
const xcb_visualtype_t *trueColourRootVisual(xcb_connection_t *c)
{
    const xcb_setup_t *setup = xcb_get_setup(c);
    if (!setup || xcb_setup_roots_length(setup) != 1)
        return nullptr;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(setup).data;
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths)) {
        if (depths.data->depth != screen->root_depth)
            continue;
        for (auto v = xcb_depth_visuals_iterator(depths.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen->root_visual)
                return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR ? v.data : nullptr;
    }
    return nullptr;
}

// The colour's pixel in the window's own colormap, which Qt chose with its visual:
// asked of the server (two round trips) where it cannot be worked out here.
bool allocatedPixel(xcb_connection_t *c, xcb_window_t id, const QColor &colour, uint32_t &pixel)
{
    auto *attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
    if (!attributes)
        return false;
    const xcb_colormap_t colormap = attributes->colormap;
    std::free(attributes);
    const auto channel = [](int v) { return static_cast<uint16_t>(v * 257); };
    auto *allocated = xcb_alloc_color_reply(
        c, xcb_alloc_color(c, colormap, channel(colour.red()), channel(colour.green()), channel(colour.blue())),
        nullptr);
    if (!allocated)
        return false;
    pixel = allocated->pixel;
    std::free(allocated);
    return true;
}

// Gives the X window the colour as its background pixel and clears it to that.
bool setBackPixel(QWindow *window, const QColor &colour)
{
    xcb_connection_t *c = xcbConnection();
    if (!c || !window->handle())
        return false;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_visualtype_t *visual = window->format().hasAlpha() ? nullptr : trueColourRootVisual(c);
    uint32_t pixel = 0;
    if (visual)
        pixel = trueColourPixel(*visual, colour);
    else if (!allocatedPixel(c, id, colour, pixel))
        return false;
    xcb_change_window_attributes(c, id, XCB_CW_BACK_PIXEL, &pixel);
    xcb_clear_area(c, 0, id, 0, 0, 0, 0);
    xcb_flush(c);
    return true;
}

// Takes the window's expose events before Qt paints in answer to them: Qt paints a
// top-level widget only once it has been exposed, so the window is left to the X
// server, which fills it with its background pixel whenever it comes into view. A
// native window made anew (Qt does that when some window flags change) gets the
// background pixel again.
class FilledByServer final : public QObject
{
  public:
    FilledByServer(QWindow *window, const QColor &colour) : QObject(window), m_colour(colour) {}

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose)
            return true;
        if (event->type() == QEvent::PlatformSurface &&
            static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType() == QPlatformSurfaceEvent::SurfaceCreated)
            setBackPixel(static_cast<QWindow *>(watched), m_colour);
        return false;
    }

  private:
    QColor m_colour;
};
} // namespace
#endif

bool fillByWindowSystem(QWidget *window, const QColor &colour)
{
#ifdef WORDAROO_HAVE_XCB
    if (!window || !window->isWindow() || !xcbConnection() ||
        !window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).isEmpty())
        return false;
    // The native window is made now, so its background is set before it is first mapped.
    (void)window->winId();
    QWindow *handle = window->windowHandle();
    if (!handle || !setBackPixel(handle, colour))
        return false;
    handle->installEventFilter(new FilledByServer(handle, colour));
    return true;
#else
    (void)window;
    (void)colour;
    return false;
#endif
}
} // namespace Backdrop
