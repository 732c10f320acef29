#include "drawing/Drawings.h"

#include <algorithm>

namespace {

// Enough to take back a whole slide's worth of mistakes, while a long talk's memory stays small.
constexpr qsizetype maximumSteps = 200;

} // namespace

const QList<Stroke>& Drawings::strokes(const Sheet& sheet) const {
    static const QList<Stroke> none;
    const auto found = contents.constFind(sheet);
    return found == contents.constEnd() ? none : found->strokes;
}

void Drawings::add(const Sheet& sheet, const Stroke& stroke) {
    Content& content = contents[sheet];
    content.strokes.append(stroke);
    content.steps.append(Step{true, {}});
    if (content.steps.size() > maximumSteps)
        content.steps.removeFirst();
    emit changed(sheet);
}

bool Drawings::erase(const Sheet& sheet, QPointF point, double radius, double aspect) {
    const auto found = contents.find(sheet);
    if (found == contents.end())
        return false;
    Step step;
    QList<Stroke>& strokes = found->strokes;
    for (qsizetype i = 0; i < strokes.size(); ++i) {
        if (strokes.at(i).touches(point, radius, aspect))
            step.removed.append({i, strokes.at(i)});
    }
    if (step.removed.isEmpty())
        return false;
    for (auto removed = step.removed.crbegin(); removed != step.removed.crend(); ++removed)
        strokes.removeAt(removed->first);
    found->steps.append(step);
    if (found->steps.size() > maximumSteps)
        found->steps.removeFirst();
    emit changed(sheet);
    return true;
}

bool Drawings::clear(const Sheet& sheet) {
    const auto found = contents.find(sheet);
    if (found == contents.end() || found->strokes.isEmpty())
        return false;
    Step step;
    for (qsizetype i = 0; i < found->strokes.size(); ++i)
        step.removed.append({i, found->strokes.at(i)});
    found->strokes.clear();
    found->steps.append(step);
    emit changed(sheet);
    return true;
}

bool Drawings::undo(const Sheet& sheet) {
    const auto found = contents.find(sheet);
    if (found == contents.end() || found->steps.isEmpty())
        return false;
    const Step step = found->steps.takeLast();
    if (step.added && !found->strokes.isEmpty())
        found->strokes.removeLast();
    for (const auto& [index, stroke] : step.removed)
        found->strokes.insert(std::min(index, found->strokes.size()), stroke);
    emit changed(sheet);
    return true;
}

void Drawings::moveBoards(qint64 page, int from, int by) {
    // Boards from `from` on move by `by`, the farthest first so that none overwrites another.
    QList<int> moving;
    for (auto entry = contents.cbegin(); entry != contents.cend(); ++entry) {
        if (entry.key().page == page && entry.key().board >= from)
            moving.append(entry.key().board);
    }
    std::sort(moving.begin(), moving.end());
    if (by > 0)
        std::reverse(moving.begin(), moving.end());
    for (const int board : moving)
        contents.insert({page, board + by}, contents.take({page, board}));
}

int Drawings::insertBoard(qint64 page, int after) {
    const int board = std::clamp(after, 0, boards(page)) + 1;
    moveBoards(page, board, +1);
    boardCounts[page] += 1;
    emit boardsChanged(page);
    return board;
}

void Drawings::removeBoard(qint64 page, int board) {
    if (board < 1 || board > boards(page))
        return;
    contents.remove({page, board});
    moveBoards(page, board + 1, -1);
    if (--boardCounts[page] == 0)
        boardCounts.remove(page);
    emit boardsChanged(page);
}

QList<Sheet> Drawings::sheets() const {
    QList<Sheet> all;
    for (auto entry = contents.cbegin(); entry != contents.cend(); ++entry) {
        if (!entry->strokes.isEmpty() && entry.key().board == 0)
            all.append(entry.key());
    }
    for (auto count = boardCounts.cbegin(); count != boardCounts.cend(); ++count) {
        for (int board = 1; board <= count.value(); ++board)
            all.append({count.key(), board});
    }
    std::sort(all.begin(), all.end(), [](const Sheet& a, const Sheet& b) {
        return std::pair(a.page, a.board) < std::pair(b.page, b.board);
    });
    return all;
}

void Drawings::reset() {
    const QList<Sheet> had = contents.keys();
    const QList<qint64> boarded = boardCounts.keys();
    contents.clear();
    boardCounts.clear();
    for (const Sheet& sheet : had)
        emit changed(sheet);
    for (const qint64 page : boarded)
        emit boardsChanged(page);
}

void Drawings::place(const Sheet& sheet, const QList<Stroke>& strokes) {
    if (sheet.board > boards(sheet.page)) {
        boardCounts[sheet.page] = sheet.board;
        emit boardsChanged(sheet.page);
    }
    if (strokes.isEmpty())
        return;
    contents[sheet].strokes.append(strokes);
    emit changed(sheet);
}
