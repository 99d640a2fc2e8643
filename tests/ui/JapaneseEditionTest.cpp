#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QStyle>
#include <QTemporaryDir>

#include "model/Settings.h"
#include "platform/SystemLanguage.h"
#include "ui/AboutDialog.h"
#include "ui/CPELKApp.h"
#include "ui/FormTemplate.h"
#include "ui/FormWindow.h"
#include "ui/MainFrame.h"
#include "ui/TemplateText.h"
#include "ui/UiText.h"

namespace hvt {
namespace {

// Writes the widget's picture to HVT_SCREENSHOT_DIR when that is set.
void Shoot(QWidget& w, const char* name) {
  const QString dir = qEnvironmentVariable("HVT_SCREENSHOT_DIR");
  if (!dir.isEmpty()) w.grab().save(QDir(dir).filePath(QLatin1String(name) + ".png"));
}

class JapaneseEdition : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyLanguage(Language::Japanese);
    RegisterFontStandIns();
  }
  void TearDown() override { ApplyLanguage(Language::English); }
};

// Width a control's text needs, with the check box's or radio's indicator.
int NeededWidth(QWidget* w, const QString& text) {
  const int advance = w->fontMetrics().horizontalAdvance(text);
  if (qobject_cast<QCheckBox*>(w)) {
    return w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
           w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w) + advance;
  }
  if (qobject_cast<QRadioButton*>(w)) {
    return w->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
           w->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w) + advance;
  }
  return advance;
}

// Texts of the form's labels, boxes and buttons that do not fit their
// rectangle, in both languages.
QStringList CutOffTexts() {
  FormWindow form;
  QStringList cut;
  for (const ControlTemplate& t : FormTemplate()) {
    if (t.id == 0 || t.hidden || t.kind == ControlKind::ValueDisplay) continue;
    // 1142 and 1136 get a font of their own from the core's table, and 1078
    // and the lists show their template caption nowhere.
    if (t.id == 1142 || t.id == 1136 || t.id == 1078 || t.id == 1090 || t.id == 1041) continue;
    QWidget* w = form.Control(t.id);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
    if (text.isEmpty()) continue;
    if (NeededWidth(w, text) > w->width()) cut << QStringLiteral("%1 \"%2\"").arg(t.id).arg(text);
  }
  for (auto* box : form.findChildren<QGroupBox*>()) {
    if (box->fontMetrics().horizontalAdvance(box->title()) > box->width()) cut << box->title();
  }
  return cut;
}

TEST_F(JapaneseEdition, FormLabelsAreJapaneseAndNoneIsCutOff) {
  {
    FormWindow form;
    auto text = [&](int id) {
      QWidget* w = form.Control(id);
      if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
      return qobject_cast<QAbstractButton*>(w)->text();
    };
    EXPECT_EQ(text(1168), QString::fromUtf8("パルス印加時間"));
    EXPECT_EQ(text(1171), QString::fromUtf8("終端器"));
    EXPECT_EQ(text(1051), QString::fromUtf8("プログラム"));
    // Unit texts stay as engineers write them.
    EXPECT_EQ(text(1086), QStringLiteral("kV"));
    QStringList titles;
    for (auto* box : form.findChildren<QGroupBox*>()) titles << box->title();
    EXPECT_TRUE(titles.contains(QString::fromUtf8("シーケンス"))) << titles.join(',').toStdString();
    EXPECT_TRUE(titles.contains(QString::fromUtf8("コントロール")));
    form.resize(form.size());
    Shoot(form, "form-ja");
  }
  EXPECT_EQ(CutOffTexts().join(", ").toStdString(), "");
  ApplyLanguage(Language::English);
  EXPECT_EQ(CutOffTexts().join(", ").toStdString(), "");
}

TEST_F(JapaneseEdition, MenusKeepTheirAcceleratorsTheJapaneseWay) {
  QTemporaryDir dir;
  SettingsFile settings(dir.filePath("s.ini").toStdString());
  MainFrame frame(settings);
  QStringList menus;
  for (QAction* a : frame.menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus,
            (QStringList{QString::fromUtf8("ファイル(&F)"), QString::fromUtf8("オプション(&O)"),
                         QString::fromUtf8("通信(&C)"), QString::fromUtf8("ヘルプ(&H)")}));
  // The accelerator stays on the action, not in its text.
  QMenu* file = frame.menuBar()->actions().first()->menu();
  QAction* open = file->actions().at(1);
  EXPECT_EQ(open->text(), QString::fromUtf8("開く(&O)..."));
  EXPECT_EQ(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(open->statusTip(), QString::fromUtf8("既存のドキュメントを開きます"));
  AboutDialog about;
  EXPECT_EQ(about.windowTitle(), QString::fromUtf8("バージョン情報"));
  for (auto* label : about.findChildren<QLabel*>()) {
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
        << label->text().toStdString();
  }
  // A text the Japanese templates lack stays English rather than empty.
  EXPECT_EQ(TemplateText(resource::kForm, 1085, "ns"), QStringLiteral("ns"));
}

TEST_F(JapaneseEdition, QtsOwnDialogsSpeakJapanese) {
  if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ja.qm")) {
    GTEST_SKIP() << "qtbase_ja.qm is not installed (Debian package qt6-translations-l10n)";
  }
  QMessageBox box(QMessageBox::Question, UiText(TextId::AppTitle), UiText(TextId::SaveChanges).arg(QStringLiteral("a.plk")),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), QString::fromUtf8("はい(Y)"));
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("キャンセル"));
  box.show();
  Shoot(box, "messagebox-ja");

  QFileDialog files(nullptr, UiText(TextId::PromptOpen).section('\n', 1, 1), QDir::tempPath(),
                    QString::fromUtf8("HVT-KP4RS ファイル (*.plk)"));
  files.setOption(QFileDialog::DontUseNativeDialog);
  files.resize(700, 450);
  files.show();
  QStringList buttons;
  for (auto* b : files.findChildren<QAbstractButton*>()) buttons << b->text();
  EXPECT_TRUE(buttons.contains(QString::fromUtf8("キャンセル"))) << buttons.join(',').toStdString();
  Shoot(files, "filedialog-ja");
}

TEST(AppOptions, LanguageIsEnglishOrJapaneseOnly) {
  QString error;
  auto parse = [&](QStringList args) {
    error.clear();
    return ParseAppOptions(QStringList{QStringLiteral("hvt-kp4rs")} + args, error);
  };
  auto ja = parse({QStringLiteral("--language"), QStringLiteral("ja"), QStringLiteral("a.plk")});
  ASSERT_TRUE(ja);
  EXPECT_EQ(ja->language, QStringLiteral("ja"));
  EXPECT_EQ(ja->file, QStringLiteral("a.plk"));
  EXPECT_TRUE(parse({})->language.isEmpty());  // the system's language then
  EXPECT_FALSE(parse({QStringLiteral("--language"), QStringLiteral("fr")}));
  EXPECT_TRUE(error.contains(QStringLiteral("en, ja")));
  // A missing value is refused, not taken from the next argument's place.
  EXPECT_FALSE(parse({QStringLiteral("--language")}));
  EXPECT_FALSE(parse({QStringLiteral("--language"), QStringLiteral("a.plk")}));
}

}  // namespace
}  // namespace hvt
