#pragma once

#include "audio/encoder_thread.h"
#include "audio/m4b_writer.h"
#include "audio/parallel_mp3.h"
#include "epub/book_parts.h"
#include "pipeline/chain.h"
#include "speech/speech_rendering.h"
#include "tags/book_tags.h"
#include "tags/chapter_timing.h"
#include "text/pronunciations.h"
#include "text/script_reading.h"

#include <QStringList>
#include <memory>

namespace vt
{

// The real chain: the deployed converter and encoder and the speech engine.
class ToolChain : public Chain
{
  public:
    void deployTools(StepGuard& run) override;
    void removeTools(StepGuard& run) override;
    BookVoice startBook(const BookJob& job, const EpubBook& book) override;
    ToolRun readEpubToText() override;
    qint32 cutText(const QString& textPath) override;
    void saveToWav(const QString& source, const QString& wavPath) override;
    Expected<void> encodePiece(const QString& wavPath, const QString& target) override;
    Expected<QStringList> finishResult(const QString& resultPath) override;
    Expected<int> splitResult(const QString& resultPath, const QString& folder) override;
    bool streams() const override;
    bool speakPiece(const QString& source, const QString& target) override;
    Expected<void> finishPieces() override;
    // Notes on the book so far: pronunciation rules that could not be used,
    // chosen parts the book does not have, Japanese read without MeCab, how
    // Chinese is read.
    const QStringList& bookNotes() const { return notes_; }

  private:
    void readListenerChoices();
    void chooseReading(const QString& bookLanguage);
    LineTransform spokenLine() const;
    SpeakSettings speakSettings(qint32 piece) const;
    qint32 pieceOf(const QString& path) const;
    SpeechCalls speechCalls(qint32 piece);
    Expected<void> encodeMp3(const QString& wavPath, const QString& target);
    Expected<void> encodeM4b(const QString& wavPath, const QString& target);
    Expected<void> startM4b(const QString& target);
    Expected<void> startEncoders(const QString& target);
    void endEncoders();

    // The book in progress: its job, its archive, the voice it is spoken
    // with, its pieces and where its chapters fall.
    BookJob job_;
    const EpubBook* book_ = nullptr;
    BookVoice voice_;
    QStringList pieces_;
    // What the listener chose: the parts read, the words said otherwise.
    QList<BookPart> parts_;
    QList<bool> read_;
    SkippedText skipped_; // the text of the parts not read
    Pronouncer pronouncer_;
    // How its lines are read (Japanese in kana, Mandarin in pinyin), and the
    // voices that words of other writings are handed to, by their keys.
    std::unique_ptr<ScriptReading> reading_;
    QHash<QByteArray, VoiceToken> stretchVoices_;
    QStringList notes_;
    qint64 lastPieceSamples_ = 0; // of the last piece spoken to a WAV file
    QList<ChapterPlace> places_;
    qint64 firstWordOffset_ = 0; // in the first piece: no pause before the book's first words
    ChapterTiming chapters_;
    BookTags tags_; // of an M4B, read when its file is started
    std::unique_ptr<M4bWriter> m4b_;
    // A book spoken straight into its encoders: an MP3's, or the M4B's thread.
    std::unique_ptr<ParallelMp3Encoder> mp3_;
    std::unique_ptr<EncoderThread> m4bThread_;
    QString streamFailure_; // why its encoders could not start
    QString target_;        // the file they make
};

} // namespace vt
