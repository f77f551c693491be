#pragma once

#include <QObject>
#include <QTextDocument>

#include <memory>

/// The RTF reader and writer: reading text, formats and tables; writing; the round trip; the
/// pictures; the corpus of real files; hostile input; the exchange with LibreOffice.
class tst_rtf : public QObject {
    Q_OBJECT

private slots:
    // tst_rtf_reader.cpp
    void recognisesRichText_data();
    void recognisesRichText();
    void readsText_data();
    void readsText();
    void decodesCodePages_data();
    void decodesCodePages();
    void readsCharacterFormats_data();
    void readsCharacterFormats();
    void readsParagraphFormats_data();
    void readsParagraphFormats();
    void readsTablesAsTables_data();
    void readsTablesAsTables();
    void readsNestedTables();
    void readsMergedCells();
    void keepsTextOfTablesTooWideToShow();
    void readsHyperlinks();
    void refusesWhatIsNotRichText();

    // tst_rtf_writer.cpp
    void writesHeaderAndTables();
    void writesText_data();
    void writesText();
    void writesFormats();
    void roundTripsRandomDocuments();
    void roundTripsTables();

    // tst_rtf_pictures.cpp
    void keepsPictures_data();
    void keepsPictures();
    void tellsWhatCannotBeKept_data();
    void tellsWhatCannotBeKept();
    void editorTellsWhatSavingWouldLose();

    // tst_rtf_corpus.cpp
    void readsCorpus_data();
    void readsCorpus();
    void survivesHostileInput_data();
    void survivesHostileInput();
    void readsLargeFileInBoundedMemory();
    void exchangesFilesWithLibreOffice();
};

/// Reads RTF (a string of Latin-1 source text) into a new document.
std::unique_ptr<QTextDocument> readRtf(const QByteArray& rtf);
