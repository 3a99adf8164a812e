#pragma once

#include <QFrame>
#include <QString>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace kestrion {

// The titled card that groups the controls of the details sheets: an optional heading above a
// rounded, lightly filled and outlined panel holding the caller's content. The card adds no
// margin of its own; callers pad their content.
class SectionBlock : public QWidget {
    Q_OBJECT
public:
    // An empty title shows no heading and leaves no gap above the card.
    explicit SectionBlock(const QString& title = {}, QWidget* parent = nullptr);

    static constexpr qreal cornerRadius = 8;
    static constexpr int titleSpacing = 6;

    // Puts the content into the card, leading-aligned across its whole width; takes ownership.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }
    QWidget* card() const { return m_card; }
    // Null without a title.
    QLabel* titleLabel() const { return m_title; }

private:
    QLabel* m_title = nullptr;
    QWidget* m_card = nullptr;
    QVBoxLayout* m_cardLayout = nullptr;
    QWidget* m_content = nullptr;
};

} // namespace kestrion
