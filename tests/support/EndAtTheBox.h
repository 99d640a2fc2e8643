#pragma once

#include <signal.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <string>
#include <vector>

namespace hvt::testing {

// The session ends while a box waits: at the first message box the process
// gets SIGTERM, as a logout or "systemctl stop" sends it. A box that is
// still up 2 s later has ignored the request; it is noted and closed, so
// that the test fails instead of hanging.
struct EndAtTheBox {
  EndAtTheBox() {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      if (!box->property("seen").toBool()) {
        box->setProperty("seen", true);
        texts.push_back(box->text().toStdString());
        if (ticksSinceSignal < 0) {
          ticksSinceSignal = 0;
          ::raise(SIGTERM);
        }
        return;
      }
      if (++ticksSinceSignal < 100) return;
      ignored.push_back(box->text().toStdString());
      QAbstractButton* any = box->buttons().front();
      any->click();
    });
    timer.start();
  }
  QTimer timer;
  std::vector<std::string> texts;    // every box that came up
  std::vector<std::string> ignored;  // boxes that stayed up after SIGTERM
  int ticksSinceSignal = -1;
};

}  // namespace hvt::testing
