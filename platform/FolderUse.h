#pragma once
// Marks a folder as in use by this process for as long as the object lives.
// The mark is an advisory lock on the folder, which the system drops when
// the process ends, however it ends.
#include <QObject>
#include <QString>

namespace platform {

class TFolderUse : public QObject {
public:
    // Holds the folder alone when no other process uses it, else shares it.
    explicit TFolderUse(const QString& folder, QObject* parent = nullptr);
    ~TFolderUse() override;

    // Whether this process holds the folder alone, until Share.
    bool Exclusive() const { return exclusive_; }
    // From now on other processes may use the folder too.
    void Share();

private:
    int descriptor_ = -1;
    bool exclusive_ = false;
};

} // namespace platform
