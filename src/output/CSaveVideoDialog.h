#pragma once

#include "playback/MplayerControl.h"

#include <QDialog>

#include <string>

class IMessageBoxes;
class QLabel;
class QPushButton;
class QSlider;
struct RecordingItem;

// "00:00:00" for seconds: hours, minutes and seconds of two digits each (hours above 99 take more);
// a negative value gives "00:00:00".
std::string FormatSeconds(int seconds);
// The seconds of a time text "HH:MM:SS": the leading digits of the two characters at positions 0, 3 and 6
// (a field without digits, or missing, counts 0).
int SecondsOfTimeText(const std::string& text);

// The modal dialog that picks a time range of a recording and a folder to write it to. Two paused MPlayer
// previews show the first second of the range and the last one; the dialog writes nothing itself, the
// caller reads the range, the folder and the name after an OK.
class CSaveVideoDialog final : public QDialog {
public:
    // Control ids the dialog's behaviour is known by (also the children's object names).
    static constexpr int kStartSliderId = 1013;
    static constexpr int kEndSliderId = 1014;
    static constexpr int kEndPreviewId = 1081;
    static constexpr int kStartPreviewId = 1082;
    static constexpr int kStartTimeLabelId = 1083;
    static constexpr int kLengthLabelId = 1084;
    static constexpr int kEndTimeLabelId = 1085;
    static constexpr int kOkButtonId = 1058;
    static constexpr int kCancelButtonId = 1059;

    // boxes gives the folder chooser.
    CSaveVideoDialog(QWidget* parent, IMessageBoxes& boxes);
    ~CSaveVideoDialog() override;

    // Copies what the dialog needs of the recording; call before the dialog is shown.
    void SetRecording(const RecordingItem& item);
    // The folder the folder chooser opens in (the save folder).
    void SetStartFolder(const std::string& folder) { m_startFolder = folder; }

    // The results after OK.
    const std::string& GetStartTimeText() const { return m_startTimeText; }
    const std::string& GetEndTimeText() const { return m_endTimeText; }
    const std::string& GetOutputFolder() const { return m_outputFolder; }
    // Empty when no name could be made (no lower-case "avi" or "mp4" extension).
    const std::string& GetOutputFileName() const { return m_outputFileName; }

    // Chooses the first "<name>_copy(<n>).<ext>" not present in folder.
    bool setOutputFileName(const std::string& folder);
    // OK: asks for the folder; stays open when the chooser gives none.
    void OnBnClickedokbtn();

    // The previews' program (tests name a stand-in); MPlayer unless set. Before the dialog is shown.
    void SetPreviewProgram(const QString& program);
    MplayerControl& StartPreview() { return m_startPreview; }
    MplayerControl& EndPreview() { return m_endPreview; }
    // True while the preview's picture area shows MPlayer's window rather than the stand-in face.
    bool IsPreviewShown(const MplayerControl& preview) const;
    // The window the preview draws into.
    QWidget* PreviewSurface(const MplayerControl& preview) const;

protected:
    void showEvent(QShowEvent* event) override;
    // Every way out (OK, Cancel, Esc, the close box) ends here: the previews go first.
    void done(int result) override;

private:
    class PreviewArea;

    bool InitVideoPanel();
    void OnStartSliderReleased();
    void OnEndSliderReleased();
    void UpdateLengthLabel();
    void StopPreviews();
    void WatchPreview(MplayerControl& preview, PreviewArea* area);

    IMessageBoxes& m_boxes;
    std::string m_path;
    std::string m_fileName;
    int m_duration = 0;
    std::string m_startTimeText = "00:00:00";
    std::string m_endTimeText = "00:00:00";
    std::string m_outputFolder;
    std::string m_outputFileName;
    std::string m_startFolder;
    bool m_initialised = false;
    bool m_adjusting = false;  // a slider is being moved by the dialog itself

    QSlider* m_startSlider;
    QSlider* m_endSlider;
    PreviewArea* m_startArea;
    PreviewArea* m_endArea;
    QLabel* m_startTimeLabel;
    QLabel* m_endTimeLabel;
    QLabel* m_lengthLabel;
    MplayerControl m_startPreview;
    MplayerControl m_endPreview;
};
