#include "core/ui/QtAlertRunner.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

int QtAlertRunner::run(const Alert& alert) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Quendle"));
    // Alerts carry paths, file errors and the service's words: shown as written, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(alert.message);
    box.setInformativeText(alert.informativeText);
    for (QLabel* label : box.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);  // the detail's label too
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QStringList titles = alert.buttons;
    if (titles.isEmpty()) titles << QStringLiteral("OK");
    QList<QAbstractButton*> buttons;
    for (int i = 0; i < titles.size(); ++i) {
        // The first button is the default; the others follow it, the second also answering Escape.
        const auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
        QPushButton* button = box.addButton(titles.at(i), role);
        buttons.append(button);
        if (i == 0) box.setDefaultButton(button);
        if (i == 1) box.setEscapeButton(button);
    }
    // A short message would make a narrow, cramped box: the text gets room for a comfortable line.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(kMinimumTextWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(),
                      0, 1, grid->columnCount());
    box.activateWindow();
    box.raise();
    box.exec();
    const int index = static_cast<int>(buttons.indexOf(box.clickedButton()));
    if (index < 0) return kFirstButton + (titles.size() > 1 ? 1 : 0);
    return kFirstButton + index;
}
