#include "Help2.h"

namespace {

const TGuide Guide = {
    "TFormHH",
    674,
    513,
    "USER'S GUIDE FOR THE GAME TULVA AND VESK",
    {
        "1. Instruction for the game with 4 digits which are repeated:",
        "",
        "The computer has generated a 4-digit number in which a digit may occur more than once. Guess it: "
        "type a 4-digit number, in which equal digits are allowed too, and press Enter. The box on the "
        "right then shows how many Tulvas and how many Vesks your number has.",
        "",
        "What is Tulva ?",
        "A Tulva is a digit of your number that stands at the same position as in the generated number.",
        "",
        "What is Vesk ?",
        "A Vesk is a digit of your number that the generated number contains, but at another position.",
        "",
        "For example :",
        "The generated number is 7211 and you type 1234. The 2 stands at the same place: one Tulva. "
        "The 1 occurs in the generated number at another place, and it counts only once: one Vesk. "
        "The result is one Tulva and one Vesk.",
        "",
        "Digits may occur two or more times. The indicator Double Yes(No) below the attempts tells you "
        "whether the generated number contains a repeated digit.",
        "",
        "The playing time is measured in minutes and seconds and shown at the bottom left. You must find "
        "the number in at most 72 attempts. When you have four Tulvas, you have won.",
        "",
        "ATTENTION:",
        "No result is given for a number",
        "  a) with fewer than four digits,",
        "  b) that was entered before.",
        "",
        "2. Instructions for the game with 5 digits which are repeating:",
        "",
        "Choose the tab \"With help\" and the following attempts show, in the Tulva column, the Tulvas "
        "of your number.",
        "",
        "3. Instructions for the game with 6 digits which are repeated:",
        "",
        "The program shows the Tulvas of your number with their positions. Choose the tab \"With help\" "
        "and the following attempts show, in the Vesk column, the Vesks of your number as well.",
        "",
        "4. Instruction for the game with 7 digits which are repeated:",
        "See section 3.",
        "",
        "5. Instruction for the game with 8 digits which are repeated:",
        "See section 3.",
        "",
        "6. Instruction for the game with 9 digits which are repeated:",
        "See section 3.",
        "",
        "Tulva and Vesk. All rights reserved by the makers.",
    },
};

} // namespace

TFormHH::TFormHH() : TGuideWindow(Guide) {}
