// The program's one window: an instruction text and the Generate and Show buttons.
#pragma once

#include <QWidget>
#include <string>

#include "platform/file_system.h"
#include "platform/qt/io_box.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace quillmere {

// The program's title: the caption of its window and of its message box.
inline constexpr const char* kProgramTitle = "Quillmere";

class Form1 : public QWidget {
  Q_OBJECT

 public:
  explicit Form1(QWidget* parent = nullptr);

  // The folder of the last chosen index file, ending with "/"; empty until a file is chosen.
  const std::string& siteFolder() const { return siteFolder_; }

  // The open-file dialog that Generate shows.
  IOBox& ioBox() { return ioBox_; }

 public slots:
  // Asks for an index file and writes its site into the file's folder.
  void GenerateCommand();
  // Opens the index page of the last chosen site folder with the desktop's default browser.
  void ShowCommand();

 private:
  QGroupBox* frame1_;
  QLabel* label1_;
  QPushButton* cmdGen_;
  QPushButton* cmdShow_;
  IOBox ioBox_;
  PosixFileSystem fs_;
  std::string siteFolder_;
};

}  // namespace quillmere
