#include "core/ui/soundform.h"

#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"

SoundForm::SoundForm(Windows::Id id, QWidget *parent) : Form(id, parent), MMControl1(new MMControl(this)) {}

SoundForm::~SoundForm() = default;

bool SoundForm::playToEnd(const QString &path)
{
    return waitFor([&] { Module1::PlayWave(*MMControl1, path, true); });
}

bool SoundForm::promptToEnd(const QString &path)
{
    const MMControl::DiscardTyping discard;
    return playToEnd(path);
}

bool SoundForm::sendPromptToEnd(const QString &command)
{
    const MMControl::DiscardTyping discard;
    return sendToEnd(command);
}

bool SoundForm::sendToEnd(const QString &command)
{
    return waitFor([&] {
        MMControl1->Wait = true;
        MMControl1->setCommand(command);
    });
}
