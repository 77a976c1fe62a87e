#pragma once

#include "catalogue/Catalogue.h"

#include <QString>

namespace qn::catalogue_text {

inline const QString AddCaption = QStringLiteral("カタログに追加...");
inline const QString AddTitle = QStringLiteral("カタログに追加");
inline const QString SearchCaption = QStringLiteral("カタログを検索...");
inline const QString SearchTitle = QStringLiteral("カタログを検索");
inline const QString Filter = QStringLiteral("*.qncat");
inline const QString DefaultFile = QStringLiteral("catalogue.qncat");
inline const QString AskVolumeName = QStringLiteral("ボリューム名を入力してください。");
inline const QString AskNewName = QStringLiteral("新しいボリューム名を入力してください。");
inline const QString ConfirmReplace = QStringLiteral("同じ名前のボリュームがあります。置き換えますか？");
inline const QString ConfirmRemove = QStringLiteral("ボリューム「%1」をカタログから削除します。\rよろしいですか？");
inline const QString EmptyList = QStringLiteral("リストにファイルがありません。");
inline const QString Added = QStringLiteral("カタログに追加しました。");
inline const QString Newer = QStringLiteral("このカタログは新しいバージョンで作られています。");
inline const QString NotCatalogue = QStringLiteral("このファイルはカタログではありません。");
inline const QString Damaged = QStringLiteral("カタログが壊れています。");
inline const QString CannotOpen = QStringLiteral("カタログを開けませんでした。");
inline const QString CannotWrite = QStringLiteral("カタログに書き込めませんでした。カタログは変更されていません。");
inline const QString NameTaken = QStringLiteral("同じ名前のボリュームがあります。");
inline const QString Volume = QStringLiteral("ボリューム");
inline const QString Files = QStringLiteral("ファイル数");
inline const QString Bytes = QStringLiteral("バイト数");
inline const QString Catalogued = QStringLiteral("登録日時");
inline const QString FileName = QStringLiteral("ファイル名");
inline const QString Modified = QStringLiteral("更新日時");
inline const QString Directory = QStringLiteral("ディレクトリ");
inline const QString AtLeast = QStringLiteral("以上");
inline const QString AtMost = QStringLiteral("以下");
inline const QString From = QStringLiteral("から");
inline const QString To = QStringLiteral("まで");
inline const QString Remove = QStringLiteral("削除");
inline const QString Rename = QStringLiteral("名前の変更");
inline const QString Open = QStringLiteral("開く");
inline const QString Move = QStringLiteral("ボリュームの場所...");
inline const QString MoveTitle = QStringLiteral("ボリュームの場所");
inline const QString AddToList = QStringLiteral("リストに追加");
inline const QString SaveCsv = QStringLiteral("CSVで保存...");
inline const QString SaveCsvFailed = QStringLiteral("CSVファイルを保存できませんでした。");
inline const QString Count = QStringLiteral("%1 件");
inline const QString CountShown = QStringLiteral("%1 件（最初の %2 件を表示）");

inline QString errorText(CatalogueError e)
{
    switch (e) {
    case CatalogueError::Newer:
        return Newer;
    case CatalogueError::NotCatalogue:
        return NotCatalogue;
    case CatalogueError::Damaged:
        return Damaged;
    case CatalogueError::CannotWrite:
        return CannotWrite;
    default:
        return CannotOpen;
    }
}

} // namespace qn::catalogue_text
