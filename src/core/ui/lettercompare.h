#pragma once
#include "core/run/alignment.h"

#include <QLabel>

// A word and an answer one above the other, letter by letter as the Alignment lines
// them up: right letters plain, the others in the colour of their mark and underlined
// (solid for a wrong letter, dashed under a missing or extra one, wavy under swapped
// ones), so the marks never rest on colour alone. The letters are drawn as text; a
// control character shows as a visible stand-in. A screen reader reads the alignment in
// words (its accessible description and the label's text). An answer too long for the
// width is drawn smaller, down to a limit, then cut; the description keeps it whole.
class LetterCompare final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY(LetterCompare)
  public:
    explicit LetterCompare(QWidget *parent = nullptr);

    // Lines the answer up with the word and shows it; checker as for Alignment::align.
    void setWordAndAnswer(const QString &word, const QString &answer, const WordChecker *checker = nullptr);
    // Shows an alignment already made; an empty one shows nothing.
    void setComparison(const Alignment &alignment);
    const Alignment &comparison() const { return m_alignment; }

    // The colour of each mark; the right letters take the palette's text colour.
    static QColor markColour(Alignment::Mark mark);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    Alignment m_alignment;
};
