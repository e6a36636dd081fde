#pragma once

#include <QObject>

namespace Commissioning {

// The view model of the commissioning pages. The machines and their pages come with the
// procedures; until then there is nothing to create.
class CommissioningViewModel : public QObject {
    Q_OBJECT
public:
    // owner is the root view model (not owned; the user interface sits above this layer).
    explicit CommissioningViewModel(QObject* owner, QObject* parent = nullptr);

    QObject* owner() const { return m_owner; }

public slots:
    void createMachines();
    void clearMachines();

private:
    QObject* m_owner;
};

} // namespace Commissioning
