// The busy cursor over the program's windows while a long step runs.
#pragma once

#include <QGuiApplication>

namespace quillmere {

// Shows the wait cursor for as long as it exists.
class BusyCursor {
 public:
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
};

}  // namespace quillmere
