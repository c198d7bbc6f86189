#include "Help1.h"

namespace {

const TGuide Guide = {
    "TFormH",
    656,
    515,
    "USER'S GUIDE FOR THE GAME TULVA AND VESK  ",
    {
        "1. Instruction for the game with 4 digits which are not repeated:",
        "",
        "The computer has generated a 4-digit number whose digits are all different. Guess it: type a "
        "4-digit number with different digits and press Enter. The box on the right then shows how many "
        "Tulvas and how many Vesks your number has.",
        "",
        "What is Tulva ?",
        "A Tulva is a digit of your number that stands at the same position as in the generated number.",
        "",
        "What is Vesk ?",
        "A Vesk is a digit of your number that the generated number contains, but at another position.",
        "",
        "For example :",
        "The generated number is 3269 and you type 1234. The 2 stands at the same place: one Tulva. "
        "The 3 occurs in the generated number at another place: one Vesk. The result is one Tulva and "
        "one Vesk.",
        "",
        "The playing time is measured in minutes and seconds and shown at the bottom left. You must find "
        "the number in at most 72 attempts. When you have four Tulvas, you have won.",
        "",
        "ATTENTION:",
        "No result is given for a number",
        "  a) with fewer than four digits,",
        "  b) with a digit that occurs two or more times,",
        "  c) that was entered before.",
        "",
        "2. Instructions for the game with 5 digits which are not repeated:",
        "",
        "The game is played as with four digits, with five different digits. Choose the tab \"With help\" "
        "and the following attempts show, in the Tulva column, the positions of the Tulvas of your number.",
        "",
        "3. Instructions for the game with 6 digits which are not repeated:",
        "",
        "The game is played as before, with more help: the Tulva column does not show how many Tulvas "
        "there are but which digits they are and at which positions. Choose the tab \"With help\" and the "
        "following attempts show, in the Vesk column, the Vesks of your number as well.",
        "",
        "4. Instruction for the game with 7 digits which are not repeated:",
        "See section 3.",
        "",
        "5. Instruction for the game with 8 digits which are not repeated:",
        "See section 3.",
        "",
        "6. Instruction for the game with 9 digits which are not repeated:",
        "See section 3.",
        "",
        "Tulva and Vesk. All rights reserved by the makers.",
    },
};

} // namespace

TFormH::TFormH() : TGuideWindow(Guide) {}
