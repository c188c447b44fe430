#include "apps/phosh/FiguresWidget.h"

#include "apps/phosh/FiguresModel.h"
#include "host/linux/client/QuorvelClient.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace phoshplugin {
namespace {

constexpr int kColumnsPerRow = 3;
constexpr size_t kMaxLoggedChars = 200;

void logLine(const std::string& line)
{
    g_message("quorvel lock-screen plugin: %s", line.c_str());
}

GtkWidget* figureLabel(const std::string& text, bool isValue)
{
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 12);
    gtk_label_set_xalign(GTK_LABEL(label), 0.5f);
    gtk_label_set_selectable(GTK_LABEL(label), FALSE);
    if (isValue) {
        // Attributes, not markup: the text is the carrier's and is never parsed.
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
        pango_attr_list_insert(attributes, pango_attr_scale_new(1.3));
        gtk_label_set_attributes(GTK_LABEL(label), attributes);
        pango_attr_list_unref(attributes);
    } else {
        gtk_style_context_add_class(gtk_widget_get_style_context(label), "dim-label");
    }
    gtk_widget_show(label);
    return label;
}

} // namespace

// The widget's state beside its GObject: the client and the children it fills.
class FiguresController {
public:
    explicit FiguresController(GtkBox* box);
    ~FiguresController();
    FiguresController(const FiguresController&) = delete;
    FiguresController& operator=(const FiguresController&) = delete;

private:
    void connected(std::unique_ptr<linuxhost::QuorvelClient> client);
    void fetchCodes();
    void showCodes();
    void show(const FiguresView& view);
    void refreshTapped();

    GCancellable* m_connecting = g_cancellable_new();
    std::unique_ptr<linuxhost::QuorvelClient> m_client;
    std::optional<std::vector<linuxhost::StoredCode>> m_codes;
    bool m_fetching = false;
    bool m_fetchAgain = false;
    bool m_refreshing = false;
    GtkLabel* m_status;
    GtkGrid* m_grid;
    GtkLabel* m_more;
    GtkButton* m_refresh;
};

FiguresController::FiguresController(GtkBox* box)
{
    gtk_orientable_set_orientation(GTK_ORIENTABLE(box), GTK_ORIENTATION_VERTICAL);
    gtk_box_set_spacing(box, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);

    m_status = GTK_LABEL(gtk_label_new(""));
    gtk_widget_set_name(GTK_WIDGET(m_status), kFiguresStatusName);
    gtk_label_set_line_wrap(m_status, TRUE);
    gtk_label_set_justify(m_status, GTK_JUSTIFY_CENTER);
    gtk_box_pack_start(box, GTK_WIDGET(m_status), FALSE, FALSE, 0);

    m_grid = GTK_GRID(gtk_grid_new());
    gtk_widget_set_name(GTK_WIDGET(m_grid), kFiguresGridName);
    gtk_grid_set_column_homogeneous(m_grid, TRUE);
    gtk_grid_set_column_spacing(m_grid, 12);
    gtk_grid_set_row_spacing(m_grid, 2);
    gtk_box_pack_start(box, GTK_WIDGET(m_grid), FALSE, FALSE, 0);

    m_more = GTK_LABEL(gtk_label_new(""));
    gtk_widget_set_name(GTK_WIDGET(m_more), kFiguresMoreName);
    gtk_style_context_add_class(gtk_widget_get_style_context(GTK_WIDGET(m_more)), "dim-label");
    gtk_box_pack_start(box, GTK_WIDGET(m_more), FALSE, FALSE, 0);

    m_refresh = GTK_BUTTON(gtk_button_new_with_label(""));
    gtk_widget_set_name(GTK_WIDGET(m_refresh), kFiguresRefreshName);
    gtk_button_set_relief(m_refresh, GTK_RELIEF_NONE);
    // A tap on the lock screen must not take the keyboard focus from the shell.
    gtk_widget_set_focus_on_click(GTK_WIDGET(m_refresh), FALSE);
    gtk_widget_set_halign(GTK_WIDGET(m_refresh), GTK_ALIGN_CENTER);
    gtk_box_pack_start(box, GTK_WIDGET(m_refresh), FALSE, FALSE, 0);
    g_signal_connect_swapped(m_refresh, "clicked",
                             G_CALLBACK(+[](FiguresController* self) { self->refreshTapped(); }), this);

    gtk_widget_show(GTK_WIDGET(m_grid));

    // The shell's main loop never waits for the daemon, not even for the
    // proxy's first read of its properties.
    linuxhost::QuorvelClient::connectAsync(m_connecting, [this](std::unique_ptr<linuxhost::QuorvelClient> client,
                                                                const linuxhost::CallError& error) {
        if (!client) {
            logLine("the session bus cannot be reached: " + cleanText(error.message, kMaxLoggedChars));
            show(notRunningView());
            return;
        }
        connected(std::move(client));
    });
}

FiguresController::~FiguresController()
{
    g_cancellable_cancel(m_connecting);
    g_object_unref(m_connecting);
}

void FiguresController::connected(std::unique_ptr<linuxhost::QuorvelClient> client)
{
    m_client = std::move(client);
    m_client->onCodesChanged([this] { fetchCodes(); });
    m_client->onStateChanged([this] { showCodes(); });
    // quorveld takes its name before it serves its object, so a read made as
    // the name appears can fail; the Refreshed it sends once it serves (and
    // after every redraw) is the sign to read again.
    m_client->onRefreshed([this](const linuxhost::WidgetView&) {
        if (!m_codes)
            fetchCodes();
    });
    m_client->onRunningChanged([this](bool running) {
        m_codes.reset();
        if (running)
            fetchCodes();
        else
            show(notRunningView());
    });
    if (m_client->running())
        fetchCodes();
    else
        show(notRunningView());
}

// One GetCodes at a time: signals that come while it is out ask for one more
// read after it, however many they are.
void FiguresController::fetchCodes()
{
    if (m_fetching) {
        m_fetchAgain = true;
        return;
    }
    m_fetching = true;
    m_client->codesAsync([this](std::optional<std::vector<linuxhost::StoredCode>> codes,
                                const linuxhost::CallError& error) {
        m_fetching = false;
        if (codes) {
            m_codes = std::move(codes);
            showCodes();
        } else if (!m_client->running()) {
            show(notRunningView());
        } else {
            logLine("reading the codes failed: " + cleanText(error.name + ": " + error.message, kMaxLoggedChars));
        }
        if (m_fetchAgain) {
            m_fetchAgain = false;
            fetchCodes();
        }
    });
}

void FiguresController::showCodes()
{
    if (!m_client->running()) {
        show(notRunningView());
        return;
    }
    if (m_codes)
        show(figuresView(*m_codes, m_client->state(), m_client->stateDetail()));
}

void FiguresController::show(const FiguresView& view)
{
    gtk_label_set_text(m_status, view.status.c_str());
    gtk_widget_set_visible(GTK_WIDGET(m_status), !view.status.empty());

    GList* children = gtk_container_get_children(GTK_CONTAINER(m_grid));
    for (GList* child = children; child; child = child->next)
        gtk_widget_destroy(GTK_WIDGET(child->data));
    g_list_free(children);
    for (size_t i = 0; i < view.figures.size(); ++i) {
        const int column = static_cast<int>(i % kColumnsPerRow);
        const int row = static_cast<int>(i / kColumnsPerRow) * 2;
        gtk_grid_attach(m_grid, figureLabel(view.figures[i].title, false), column, row, 1, 1);
        gtk_grid_attach(m_grid, figureLabel(view.figures[i].value, true), column, row + 1, 1, 1);
    }

    // One format string, not pieces: g++ stores short pieces split into
    // immediates, which read as misspelt words to a spelling check.
    gchar* more = view.hiddenFigures ? g_strdup_printf("and %zu more", view.hiddenFigures) : g_strdup("");
    gtk_label_set_text(m_more, more);
    gtk_widget_set_visible(GTK_WIDGET(m_more), *more != '\0');
    g_free(more);

    gtk_button_set_label(m_refresh, view.refreshLine.c_str());
    gtk_widget_set_visible(GTK_WIDGET(m_refresh), !view.refreshLine.empty());
    gtk_widget_set_sensitive(GTK_WIDGET(m_refresh), !m_refreshing);
}

// A tap asks once: the line stays insensitive until the daemon answers, so
// taps in between do not pile calls up.
void FiguresController::refreshTapped()
{
    if (!m_client || m_refreshing)
        return;
    m_refreshing = true;
    gtk_widget_set_sensitive(GTK_WIDGET(m_refresh), FALSE);
    m_client->refreshAsync([this](bool taken, const linuxhost::CallError& error) {
        m_refreshing = false;
        gtk_widget_set_sensitive(GTK_WIDGET(m_refresh), TRUE);
        if (!taken)
            logLine("the refresh was refused: " + cleanText(error.name + ": " + error.message, kMaxLoggedChars));
    });
}

} // namespace phoshplugin

struct _QuorvelFiguresWidget {
    GtkBox parent_instance;
    phoshplugin::FiguresController* controller;
};

G_DEFINE_TYPE(QuorvelFiguresWidget, quorvel_figures_widget, GTK_TYPE_BOX)

static void quorvel_figures_widget_dispose(GObject* object)
{
    QuorvelFiguresWidget* self = QUORVEL_FIGURES_WIDGET(object);
    // The client goes first: its calls are cancelled and its listeners gone
    // before the children they would fill are.
    delete self->controller;
    self->controller = nullptr;
    G_OBJECT_CLASS(quorvel_figures_widget_parent_class)->dispose(object);
}

static void quorvel_figures_widget_class_init(QuorvelFiguresWidgetClass* klass)
{
    G_OBJECT_CLASS(klass)->dispose = quorvel_figures_widget_dispose;
    gtk_widget_class_set_css_name(GTK_WIDGET_CLASS(klass), "quorvel-figures");
}

static void quorvel_figures_widget_init(QuorvelFiguresWidget* self)
{
    self->controller = new phoshplugin::FiguresController(GTK_BOX(self));
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(self)), "Quorvel figures");
}
