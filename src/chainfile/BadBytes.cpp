#include "chainfile/BadBytes.h"

#include "chainfile/LineRecord.h"

#include <span>

using common::ChainLine;

namespace chainfile {

namespace {

// The fields of each kind of line, as the messages name them.
const NamedField kCommon[] = {{rec::kind, "tipo record"}, {rec::dateYmd, "data"}};
const NamedField kTab[] = {{rec::tab::table, "tabella"},
                           {rec::tab::code, "codice"},
                           {rec::tab::description, "descrizione"},
                           {rec::tab::tableKind, "tipo tabella"},
                           {rec::tab::parent, "codice gruppo o reparto"}};
const NamedField kMda[] = {{rec::articleCode, "codice articolo"},    {rec::mda::description, "descrizione"},
                           {rec::mda::umart, "unità di misura"},     {rec::mda::umconf, "unità confezione"},
                           {rec::mda::pezzatura, "pezzatura"},       {rec::mda::subgroup, "codice sottogruppo"},
                           {rec::mda::tipart, "tipo articolo"},      {rec::mda::vat, "codice IVA"},
                           {rec::mda::imbart, "pezzi per confezione"}};
const NamedField kMha[] = {{rec::articleCode, "codice articolo"}, {rec::mha::ean, "EAN"}};
const NamedField kMhe[] = {{rec::articleCode, "codice articolo"}, {rec::mhe::price, "prezzo di vendita"}};
const NamedField kMhn[] = {{rec::articleCode, "codice articolo"}, {rec::mhn::cost, "prezzo di costo"}};
const NamedField kBle[] = {
    {rec::ble::lineClass, "classe riga"},     {rec::ble::lineType, "tipo riga"},
    {rec::ble::headerType, "tipo documento"}, {rec::ble::number, "numero documento"},
    {rec::ble::chainCode, "codice articolo"}, {rec::ble::description, "descrizione"},
    {rec::ble::umart, "unità di misura"},     {rec::ble::unita2, "seconda unità"},
    {rec::ble::quaco, "contenuto"},           {rec::ble::imbart, "confezione"},
    {rec::ble::exclusion, "esclusione"},      {rec::ble::vat, "codice IVA"},
    {rec::ble::subfamily, "codice sottofamiglia"}, {rec::ble::ean, "EAN"},
    {rec::ble::packages, "colli"},            {rec::ble::quantity, "quantità"},
    {rec::ble::cost, "costo unitario"},       {rec::ble::price, "prezzo di vendita"}};
const NamedField kOft[] = {{rec::oft::number, "numero promozione"},
                           {rec::oft::description, "descrizione promozione"},
                           {rec::oft::start, "data inizio"},
                           {rec::oft::end, "data fine"}};
const NamedField kOfd[] = {{rec::ofd::number, "numero promozione"},
                           {rec::ofd::offerKind, "tipo offerta"},
                           {rec::ofd::chainCode, "codice articolo"},
                           {rec::ofd::value, "valore"}};
const NamedField kG[] = {{rec::gval::mark, "segno G"}, {rec::gval::value, "valore G"}};

std::span<const NamedField> fieldsOf(const ChainLine& line) {
    const QByteArrayView kind = line.raw(rec::kind);
    if (kind == "TAB") return kTab;
    if (kind == "MDA") return kMda;
    if (kind == "MHA") return kMha;
    if (kind == "MHE") return kMhe;
    if (kind == "MHN") return kMhn;
    if (kind == "BLE") return kBle;
    if (kind == "OFT") return kOft;
    if (kind == "OFD") return kOfd;
    return {};
}

}  // namespace

std::optional<QString> nulNote(const ChainLine& line) {
    if (!line.bytes().contains('\0')) return std::nullopt;
    QStringList where;
    QList<const NamedField*> fields;
    for (const NamedField& f : kCommon) fields << &f;
    for (const NamedField& f : fieldsOf(line)) fields << &f;
    if (line.is(rec::gval::mark, "G") && !line.is(rec::kind, "OFT") && !line.is(rec::kind, "DIE"))
        for (const NamedField& f : kG) fields << &f;
    for (const NamedField* n : std::as_const(fields)) {
        if (!line.raw(n->field).contains('\0')) continue;
        where << QStringLiteral("nel campo %1 (colonne %2-%3): \"%4\"")
                     .arg(QString::fromUtf8(n->name))
                     .arg(n->field.pos)
                     .arg(n->field.pos + n->field.len - 1)
                     .arg(line.shown(n->field));
    }
    // A NUL in columns no field covers.
    for (int column = 1; column <= line.columns(); ++column) {
        if (line.raw(column, 1) != QByteArrayView("\0", 1)) continue;
        const bool inField = std::any_of(fields.begin(), fields.end(), [&](const NamedField* n) {
            return column >= n->field.pos && column < n->field.pos + n->field.len;
        });
        if (!inField) {
            where << QStringLiteral("nel testo (colonna %1)").arg(column);
            break;
        }
    }
    return QStringLiteral("riga %1: byte NUL %2").arg(line.number()).arg(where.join(QStringLiteral("; ")));
}

}  // namespace chainfile
