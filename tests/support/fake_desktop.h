#pragma once
// A desktop of the test's own making: the XDG folders point into a temporary folder for the
// object's life, so xdg-mime answers from the handlers registered here and nothing else.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <map>

namespace qc::test {

class FakeDesktop {
  public:
    FakeDesktop();
    ~FakeDesktop();
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    // Makes `application` (a desktop file written here) the default for the MIME type, e.g.
    // "x-scheme-handler/mailto".
    void registerDefault(const QString& mimeType, const QString& application);

  private:
    QTemporaryDir dir_;
    std::map<QByteArray, QByteArray> saved_; // variables set before, with their values
    std::map<QByteArray, bool> had_;
};

} // namespace qc::test
