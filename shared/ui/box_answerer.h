#pragma once

class QApplication;

// Lets a test run a real program that shows message boxes with nobody at the
// screen. When the environment variable KESTRALINE_ANSWER_BOXES names a file,
// every message box the program shows is appended to that file as one UTF-8 line,
// "caption<TAB>text<TAB>buttons<TAB>icon" (buttons in order, separated by "|";
// icon the QMessageBox::Icon number), and is then answered as Escape would answer
// it: OK for a message, "Нет" for a question. Without the variable nothing changes.
void install_box_answerer_from_environment(QApplication& application);
