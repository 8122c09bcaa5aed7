// Top-level window titles through xcb. The connection is made for each query
// and closed again, so a display that went away costs nothing but an empty list.
#include <xcb/xcb.h>

#include <QString>
#include <cstdlib>
#include <cstring>

#include "platform/linux.h"

namespace zarvane {
namespace {

xcb_atom_t InternAtom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  if (!reply) return XCB_ATOM_NONE;
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

// Client windows listed by the window manager, or nothing when it publishes no list.
std::vector<xcb_window_t> ClientList(xcb_connection_t* c, xcb_window_t root, xcb_atom_t clientList) {
  std::vector<xcb_window_t> windows;
  if (clientList == XCB_ATOM_NONE) return windows;
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, root, clientList, XCB_ATOM_WINDOW, 0, 1u << 16), nullptr);
  if (!reply) return windows;
  if (reply->type == XCB_ATOM_WINDOW && reply->format == 32) {
    const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
    const int n = xcb_get_property_value_length(reply) / 4;
    windows.assign(ids, ids + n);
  }
  std::free(reply);
  return windows;
}

std::vector<xcb_window_t> RootChildren(xcb_connection_t* c, xcb_window_t root) {
  std::vector<xcb_window_t> windows;
  xcb_query_tree_reply_t* reply = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
  if (!reply) return windows;
  const xcb_window_t* children = xcb_query_tree_children(reply);
  windows.assign(children, children + xcb_query_tree_children_length(reply));
  std::free(reply);
  return windows;
}

// The property's bytes, empty when the window has none (or is gone).
QByteArray PropertyBytes(xcb_get_property_reply_t* reply) {
  if (!reply) return {};
  QByteArray bytes;
  if (reply->type != XCB_ATOM_NONE && reply->format == 8)
    bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                       xcb_get_property_value_length(reply));
  std::free(reply);
  return bytes;
}

}  // namespace

std::vector<std::string> XcbWindowFinder::TopLevelTitles() {
  std::vector<std::string> titles;
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return titles;
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (!c) return titles;
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return titles;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
  if (!it.rem) {
    xcb_disconnect(c);
    return titles;
  }
  const xcb_window_t root = it.data->root;

  const xcb_atom_t clientList = InternAtom(c, "_NET_CLIENT_LIST");
  const xcb_atom_t netWmName = InternAtom(c, "_NET_WM_NAME");
  const xcb_atom_t utf8 = InternAtom(c, "UTF8_STRING");
  std::vector<xcb_window_t> windows = ClientList(c, root, clientList);
  if (windows.empty()) windows = RootChildren(c, root);

  // All requests first, then the replies: one round trip instead of one per window.
  std::vector<xcb_get_property_cookie_t> netCookies, wmCookies;
  netCookies.reserve(windows.size());
  wmCookies.reserve(windows.size());
  const bool haveNetName = netWmName != XCB_ATOM_NONE && utf8 != XCB_ATOM_NONE;
  for (xcb_window_t w : windows) {
    if (haveNetName) netCookies.push_back(xcb_get_property(c, 0, w, netWmName, utf8, 0, 1024));
    wmCookies.push_back(xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024));
  }
  for (size_t i = 0; i < windows.size(); ++i) {
    const QByteArray net =
        haveNetName ? PropertyBytes(xcb_get_property_reply(c, netCookies[i], nullptr)) : QByteArray();
    const QByteArray wm = PropertyBytes(xcb_get_property_reply(c, wmCookies[i], nullptr));
    QString title;
    if (!net.isEmpty())
      title = QString::fromUtf8(net);
    else
      title = QString::fromLatin1(wm);  // WM_NAME is ISO 8859-1
    while (title.endsWith(QChar(0))) title.chop(1);
    if (!title.isEmpty()) titles.push_back(FromQt(title));
  }
  xcb_disconnect(c);
  return titles;
}

}  // namespace zarvane
