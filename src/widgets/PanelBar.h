#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class PanelBar;
class QLabel;

// One panel of a PanelBar. Its properties are those the program sets; the
// label that shows it is an implementation detail (it carries the text to
// screen readers). A removed panel is deleted once control is back in the
// event loop, so a slot that removes the panel it was handed by PanelClick or
// PanelDblClick may still read it until it returns; index() is then 0.
class Panel
{
public:
    enum class Bevel { None = 0, Inset = 1, Raised = 2 };
    enum class Alignment { Left = 0, Center = 1, Right = 2 };

    QString key() const { return m_key; }
    void setKey(const QString &key) { m_key = key; }

    QString text() const { return m_text; }
    void setText(const QString &text);

    // 1-based position in the bar, left to right.
    int index() const;

    // In twips. A negative width is rejected (returns false, nothing
    // changes); a width below the bar's minimum panel width becomes that
    // minimum.
    float width() const { return m_width; }
    bool setWidth(float twips);

    Bevel bevel() const { return m_bevel; }
    void setBevel(Bevel bevel);

    Alignment alignment() const { return m_alignment; }
    void setAlignment(Alignment alignment);

    QLabel *label() const { return m_label; }

private:
    friend class PanelBar;
    Panel(PanelBar *bar, QLabel *label);

    PanelBar *m_bar;
    QLabel *m_label;
    QString m_key;
    QString m_text;
    float m_width;
    Bevel m_bevel = Bevel::Inset;
    Alignment m_alignment = Alignment::Left;
};

// A status bar made of panels laid side by side from the left, each as wide
// as its Width says. Panels that together are wider than the bar run past
// its right edge; a text wider than its panel is cut short with an ellipsis
// and shown whole in the tooltip.
class PanelBar : public QWidget
{
    Q_OBJECT

public:
    static constexpr float DefaultMinimumPanelWidth = 1440.0f;

    explicit PanelBar(QWidget *parent = nullptr);
    ~PanelBar() override;

    int count() const { return int(m_panels.size()); }
    // 1-based; nullptr outside 1..count().
    Panel *panel(int index) const;
    QList<Panel *> panels() const { return m_panels; }

    // Inserts an empty panel at the 1-based index (count() + 1 appends) and
    // returns it; nullptr for an index outside 1..count() + 1.
    Panel *add(int index);
    // Removes the panel at the 1-based index; the panels to its right move
    // one place left. An index outside 1..count() does nothing. The panel
    // leaves the bar at once: it is no longer counted nor returned, its
    // label is hidden and no longer reports clicks, and the others are laid
    // out again. The panel and its label are deleted later, from the event
    // loop, so removing a panel from a slot connected to its own click or
    // double click is safe.
    void remove(int index);

    float minimumPanelWidth() const { return m_minimumPanelWidth; }
    void setMinimumPanelWidth(float twips) { m_minimumPanelWidth = twips; }

    // The bar's height in twips.
    void setHeightTwips(int twips);

    // What assistive technology is told about a panel with an Inset bevel,
    // besides its text: the tab strip says which tab is the active one. Empty
    // (the default) says nothing; the other panels never get a description.
    // The bar itself is reported as a status bar, each panel as a label whose
    // name is the panel's whole text.
    QString insetPanelDescription() const { return m_insetPanelDescription; }
    void setInsetPanelDescription(const QString &description);

Q_SIGNALS:
    void PanelClick(Panel *panel);
    void PanelDblClick(Panel *panel);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Panel;
    void relayout();
    void refresh(Panel *panel);
    Panel *panelOf(const QObject *label) const;

    QList<Panel *> m_panels;
    QString m_insetPanelDescription;
    float m_minimumPanelWidth = DefaultMinimumPanelWidth;
    bool m_afterDoubleClick = false;
};
