#pragma once

// The about box: the program's title, version and build, the maker's home page and
// support address as links, the copyright, and the help. Created once, refilled each time
// it is shown; GUI thread only.

#include <QDialog>

class QLabel;
class QPushButton;
class TLinkLabel;

// The maker's home page (empty when the build names none) and copyright notice.
extern QString HomePageUrl;
extern const QString CopyrightNotice;

// Display rule of a file version "a.b.c.d": the version text is every piece but the last
// two, joined with "."; the build number is the last piece ("1.12.0.268" gives "1.12" and
// "268", "2.0.1" gives "2" and "1"). An empty text gives "No info" and no build; fewer than
// three pieces show the text unchanged, without a build.
struct TVersionDisplay {
    QString Version;
    QString Build; // empty: no build line
};
TVersionDisplay VersionDisplay(const QString& fileVersion);

class TaboutFrm : public QDialog {
    Q_OBJECT
public:
    explicit TaboutFrm(QWidget* parent = nullptr);

    // The version the box reads when shown; the program's own (CMake) version by default.
    void setFileVersion(const QString& version) { FFileVersion = version; }

    QLabel* titleLabel;
    QLabel* versionLabel;
    QLabel* versionLabel2;
    QLabel* buildLabel;
    QLabel* HomepageLabel;
    TLinkLabel* homePageUrlLabel;
    QLabel* supportEmailLabel;
    TLinkLabel* support_Email;
    QLabel* copyLabel1;
    QLabel* copyLabel2;
    QPushButton* helpBtn;
    QPushButton* homePageBtn;
    QPushButton* okBtn;

    void okBtnClick();
    void helpBtnClick();
    void homePageUrlLabelClick();
    void support_EmailClick();

    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();

    QString FFileVersion;
};

// Created on first use and kept until the application ends.
TaboutFrm& AboutBoxForm();

// Shows the about box modally.
void ShowAboutBox();
