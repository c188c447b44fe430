// A field's last 30 days drawn natively: a GtkDrawingArea painted with cairo
// in the style's own colours (so dark mode follows), a line through the
// refreshes (a dot each when there is room), the lowest and highest values
// and the first and last dates as the only labels. A drawing has no text for
// a screen reader: its accessible description says what it shows.
#pragma once

#include "apps/gtk/logic/ChartPlan.h"
#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <string>
#include <vector>

namespace quorvelapp {

class FieldChart {
public:
    FieldChart();
    ~FieldChart();
    FieldChart(const FieldChart&) = delete;
    FieldChart& operator=(const FieldChart&) = delete;

    // The drawing, owned by its parent once added.
    GtkWidget* widget() const { return m_area; }
    void show(const std::string& title, std::vector<linuxhost::HistoryPoint> points, int64_t nowMicros);

private:
    static void draw(GtkDrawingArea* area, cairo_t* cr, int width, int height, gpointer self);
    void paint(cairo_t* cr, int width, int height);

    GtkWidget* m_area;
    std::vector<linuxhost::HistoryPoint> m_points;
    int64_t m_now = 0;
};

} // namespace quorvelapp
