#pragma once
// Message box style flags and answers, numbered as the program's messages
// have always been numbered (buttons in the low bits, the icon above them).

namespace MessageStyle {
enum : int {
    OkOnly = 0,
    OkCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
    ButtonsMask = 7,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
    IconMask = 112,
};
}

namespace MessageAnswer {
enum : int { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
}
