#pragma once

#include <QString>

namespace vt::test
{

// Makes a folder unreadable for this thread, also when the tests run as
// root: root's right to read anything is set aside while this lives. The
// mode is put back afterwards so that the folder can be removed.
class Unreadable
{
  public:
    explicit Unreadable(const QString& folder);
    ~Unreadable();
    Unreadable(const Unreadable&) = delete;
    Unreadable& operator=(const Unreadable&) = delete;
    // False when root's rights could not be set aside (skip the test then).
    bool ok() const { return ok_; }

  private:
    QString folder_;
    bool ok_ = true;
    bool dropped_ = false;
};

} // namespace vt::test
