#pragma once
// The desktop's workspace: opening a link in the application that handles it (a "mailto" link in
// the mail program) and showing a file selected in the file browser. Screens reach it through this
// seam so a test can see what they asked for without anything opening.

#include <QString>
#include <QUrl>
#include <memory>

namespace amberloom::ui {

class Workspace {
 public:
  virtual ~Workspace() = default;
  // Hands `link` to the desktop; false when no program took it (none is set up to open such
  // links). Whether the program then did anything with it is not known.
  virtual bool open(const QUrl& link) = 0;
  // Shows the file at `path` in the file browser, selected where the browser can do that, else its
  // folder.
  virtual void reveal(const QString& path) = 0;

  // The running desktop's workspace.
  static std::shared_ptr<Workspace> live();
};

}  // namespace amberloom::ui
