#include "apps/gtk/FieldChart.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"

#include <cmath>

namespace quorvelapp {

namespace {

constexpr int kChartHeight = 180;
constexpr double kPad = 6;
constexpr double kDotRadius = 2.5;

GdkRGBA styleColor(GtkWidget* widget, const char* name, const GdkRGBA& fallback)
{
    GdkRGBA color = fallback;
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GtkStyleContext* style = gtk_widget_get_style_context(widget);
    if (name)
        gtk_style_context_lookup_color(style, name, &color);
    else
        gtk_style_context_get_color(style, &color);
    G_GNUC_END_IGNORE_DEPRECATIONS
    return color;
}

void setColor(cairo_t* cr, const GdkRGBA& color, double alpha = 1)
{
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha * alpha);
}

// A label's size and a way to draw it at a point.
struct Text {
    PangoLayout* layout;
    int width = 0, height = 0;
    Text(GtkWidget* widget, const std::string& text)
        : layout(gtk_widget_create_pango_layout(widget, text.c_str()))
    {
        pango_layout_get_pixel_size(layout, &width, &height);
    }
    ~Text() { g_object_unref(layout); }
    void drawAt(cairo_t* cr, double x, double y) const
    {
        cairo_move_to(cr, x, y);
        pango_cairo_show_layout(cr, layout);
    }
};

} // namespace

FieldChart::FieldChart()
    : m_area(GTK_WIDGET(g_object_new(GTK_TYPE_DRAWING_AREA, "accessible-role", GTK_ACCESSIBLE_ROLE_IMG, nullptr)))
{
    g_object_ref_sink(m_area);
    gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(m_area), kChartHeight);
    gtk_widget_set_hexpand(m_area, TRUE);
    gtk_widget_add_css_class(m_area, "card");
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(m_area), draw, this, nullptr);
}

FieldChart::~FieldChart()
{
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(m_area), nullptr, nullptr, nullptr);
    g_object_unref(m_area);
}

void FieldChart::show(const std::string& title, std::vector<linuxhost::HistoryPoint> points, int64_t nowMicros)
{
    m_points = std::move(points);
    m_now = nowMicros;
    const std::string description = chartDescription(title, m_points, m_now);
    setAccessibleLabel(m_area, description);
    gtk_accessible_update_property(GTK_ACCESSIBLE(m_area), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, description.c_str(), -1);
    gtk_widget_set_tooltip_text(m_area, description.c_str());
    gtk_widget_queue_draw(m_area);
}

void FieldChart::draw(GtkDrawingArea*, cairo_t* cr, int width, int height, gpointer self)
{
    static_cast<FieldChart*>(self)->paint(cr, width, height);
}

void FieldChart::paint(cairo_t* cr, int width, int height)
{
    const GdkRGBA foreground = styleColor(m_area, nullptr, {0, 0, 0, 1});
    const GdkRGBA accent = styleColor(m_area, "accent_color", {0.21, 0.52, 0.89, 1});

    // The labels first: the plot takes the room they leave.
    const ChartPlan labels = planChart(m_points, m_now, {0, 0, 1, 1});
    GTimeZone* zone = g_time_zone_new_local();
    const Text highLabel(m_area, labels.highText);
    const Text lowLabel(m_area, labels.lowText);
    const auto [firstDay, lastDay] =
        labels.empty ? std::pair<std::string, std::string>() : chartDates(labels.firstMicros, labels.lastMicros, zone);
    const Text firstDate(m_area, firstDay);
    const Text lastDate(m_area, lastDay);
    g_time_zone_unref(zone);

    const double labelWidth = std::max(highLabel.width, lowLabel.width);
    const double lineHeight = std::max(highLabel.height, firstDate.height);
    const ChartArea area{kPad + labelWidth + kPad, kPad + lineHeight / 2.0,
                         width - (kPad + labelWidth + kPad) - 2 * kPad,
                         height - 3 * kPad - lineHeight / 2.0 - lineHeight};
    const ChartPlan plan = planChart(m_points, m_now, area);

    // The frame: a baseline and, when the values cross it, zero.
    setColor(cr, foreground, 0.25);
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, area.left, std::round(area.top + area.height) + 0.5);
    cairo_line_to(cr, area.left + area.width, std::round(area.top + area.height) + 0.5);
    cairo_stroke(cr);
    if (plan.zeroY) {
        const double dashes[] = {3, 3};
        cairo_set_dash(cr, dashes, 2, 0);
        cairo_move_to(cr, area.left, std::round(*plan.zeroY) + 0.5);
        cairo_line_to(cr, area.left + area.width, std::round(*plan.zeroY) + 0.5);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
    }
    if (plan.empty) {
        // Said in words too, for whoever sees the empty frame.
        const Text none(m_area, text::chartEmpty());
        setColor(cr, foreground, 0.55);
        none.drawAt(cr, (width - none.width) / 2.0, (height - none.height) / 2.0);
        return;
    }
    if (!(area.width > 0) || !(area.height > 0))
        return;

    setColor(cr, accent);
    cairo_set_line_width(cr, 2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (const auto& run : plan.runs) {
        if (run.size() == 1 && !plan.dots) {
            cairo_arc(cr, run[0].x, run[0].y, kDotRadius, 0, 2 * M_PI);
            cairo_fill(cr);
            continue;
        }
        for (size_t i = 0; i < run.size(); ++i)
            (i == 0 ? cairo_move_to : cairo_line_to)(cr, run[i].x, run[i].y);
        cairo_stroke(cr);
        if (plan.dots)
            for (const ChartXY& point : run) {
                cairo_arc(cr, point.x, point.y, kDotRadius, 0, 2 * M_PI);
                cairo_fill(cr);
            }
    }

    // The labels: highest at the top, lowest at the bottom, dates under the ends.
    setColor(cr, foreground, 0.7);
    const double highY = plan.high == plan.low ? area.top + area.height / 2 : area.top;
    highLabel.drawAt(cr, kPad + labelWidth - highLabel.width, highY - highLabel.height / 2.0);
    if (plan.high != plan.low)
        lowLabel.drawAt(cr, kPad + labelWidth - lowLabel.width, area.top + area.height - lowLabel.height / 2.0);
    const double dateTop = area.top + area.height + kPad;
    // One refresh: its date under it, on the right. Otherwise the first on the
    // left and the last on the right, when it says something else and fits.
    if (plan.firstMicros == plan.lastMicros) {
        lastDate.drawAt(cr, area.left + area.width - lastDate.width, dateTop);
        return;
    }
    firstDate.drawAt(cr, area.left, dateTop);
    if (lastDay != firstDay && area.left + firstDate.width + kPad < area.left + area.width - lastDate.width)
        lastDate.drawAt(cr, area.left + area.width - lastDate.width, dateTop);
}

} // namespace quorvelapp
