#pragma once

#include <string>
#include <string_view>

#include "record/CGameNode.h"

namespace velmorak {

class GameController;

// What the "Comment move" dialog works on: the move last tapped in the move list or the
// current move, its label ("12..Nf6!") refreshed after each NAG button, its comment, and
// "Promote line" and "Delete line". The dialog shows label() and comment() and calls these.
class CommentMove {
public:
    // The NAG buttons in order: choice i stores NAG i.
    static constexpr std::string_view kNagButtons[] = { "None", "!", "?", "!!", "??", "!?", "?!" };

    // Takes the controller's comment target (the tap is used up). For the starting position
    // it shows "Not possible in starting position." and isOpen() is false: no dialog opens.
    explicit CommentMove(GameController& game);

    bool isOpen() const { return m_node != nullptr; }
    std::string label() const { return m_node->label(); }
    const std::string& comment() const { return m_node->comment(); }
    // A NAG button (0 to 6).
    void setNag(int choice);
    // "Promote line", then the dialog closes storing the comment.
    void promote(std::string_view comment);
    // "Delete line": true when the line went; the dialog then closes without storing.
    bool deleteLine();
    // Closing stores the comment ('}' written as ')'), marking the game changed when it
    // differs.
    void close(std::string_view comment);

private:
    GameController& m_game;
    CGameNode* m_node = nullptr;
};

} // namespace velmorak
