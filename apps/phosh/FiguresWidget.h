// The lock-screen widget: the figures of the codes quorveld keeps (each
// field's title above its last value, three columns to a row to fit a
// phone's portrait screen), the refresh line below them, which asks the
// daemon for a refresh when tapped, and a line for the daemon's state
// ("Dialling *100#…", "quorveld is not running").
//
//   GtkWidget* figures = GTK_WIDGET(g_object_new(QUORVEL_TYPE_FIGURES_WIDGET, nullptr));
//
// It reaches quorveld only through the client library on the session bus and
// updates on the daemon's signals (CodesChanged, PropertiesChanged of State,
// the bus name coming and going), never by polling. No call blocks the
// shell's main loop: the codes are read and the refresh asked for
// asynchronously, and calls still out when the widget is destroyed are
// cancelled. Main thread only, like every GTK widget.
#pragma once

#include <gtk/gtk.h>

G_BEGIN_DECLS

#define QUORVEL_TYPE_FIGURES_WIDGET (quorvel_figures_widget_get_type())
G_DECLARE_FINAL_TYPE(QuorvelFiguresWidget, quorvel_figures_widget, QUORVEL, FIGURES_WIDGET, GtkBox)

G_END_DECLS

// The children's widget names, for the tests that walk the tree.
inline constexpr const char* kFiguresStatusName = "quorvel-status";
inline constexpr const char* kFiguresGridName = "quorvel-figures";
inline constexpr const char* kFiguresMoreName = "quorvel-more";
inline constexpr const char* kFiguresRefreshName = "quorvel-refresh";
