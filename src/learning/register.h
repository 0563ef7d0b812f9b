#pragma once

class AppContext;
class Form;
struct PracticeRequest;
struct StudyRequest;

namespace Learning
{
// Registers the factories of this folder's windows; each makes its window on the
// context the registry hands it.
void registerWindows();
// Makes the study window on request, unless one is loaded already; it is shown by
// Forms::show(Windows::Review) (or leaving to it) as any window.
Form *loadStudy(AppContext &context, const StudyRequest &request);
// The same for the practice window (Windows::Practice).
Form *loadPractice(AppContext &context, const PracticeRequest &request);
} // namespace Learning
