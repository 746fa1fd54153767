#pragma once
// Every text the program shows in both languages, and the language that picks between them.
// The texts are the meter program's own, misspellings included: they are data, never "fixed".

#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace vemla {

enum class Language : int8_t { English = 0, Chinese = 1 };

// The language list shows the same two entries in both languages, Chinese first. Only indexes
// 0 and 1 are entries; the caller keeps any other index away.
Language LanguageOfListIndex(int index);
int ListIndexOf(Language language);

struct BilingualText {
    std::string_view english;
    std::string_view chinese;
};

QString Pick(const BilingualText& text, Language language);
// For the report writer, which hands UTF-8 to its library.
std::string_view PickUtf8(const BilingualText& text, Language language);

namespace text {

// The language list's entries, index 0 and 1.
inline constexpr std::array<std::string_view, 2> kLanguageEntries{"中文", "ENGLISH"};

// Main window: port, commands and data exchange.
inline constexpr BilingualText kOpenCom{"OPEN COM", "打开串口"};
inline constexpr BilingualText kCloseCom{"CLOSE COM", "关闭串口"};
inline constexpr BilingualText kSelectComPort{"PLEASE SELSECT THE COM PORT!", "请选择端口号!"};
inline constexpr BilingualText kComCannotOpen{"COM CANN'T OPEN!", "串口打不开!"};
inline constexpr BilingualText kComNotOpen{"COM IS NOT OPEN!", "串口没有打开，请打开串口"};
inline constexpr BilingualText kDeleteAllData{"DELETE ALL DATA?", "确认删除全部?"};
inline constexpr BilingualText kDeviceMissing{"The device is not there (unplugged?).",
                                              "设备不存在（是否已拔出？）。"};
inline constexpr BilingualText kDeviceBusy{"The device is in use by another program.",
                                           "设备正被其他程序占用。"};
// %1: the group that owns the device.
inline constexpr BilingualText kDevicePermission{
    "Permission denied: join the group \"%1\" that owns the device (dialout on Debian and "
    "Ubuntu), then log in again.",
    "没有访问权限：请把用户加入设备所属的组“%1”（Debian 和 Ubuntu 上是 dialout），然后重新登录。"};
inline constexpr BilingualText kEnterWholeNumber{"Please enter a whole number.",
                                                 "请输入一个整数。"};
inline constexpr BilingualText kEnterNonNegative{"Please enter a whole number of 0 or more.",
                                                 "请输入一个不小于 0 的整数。"};
inline constexpr BilingualText kEnterLaserWavelength{
    "Please enter a wavelength between 0 and 7000.", "请输入 0 到 7000 之间的波长。"};
inline constexpr BilingualText kWaveCountOutOfRange{"Please input a data between 1 and 20!",
                                                    "请输入1到20的波长个数"};

// The menu bar of the main window.
inline constexpr BilingualText kMenuFile{"&File", "文件(&F)"};
inline constexpr BilingualText kMenuMeasure{"&Measure", "测量(&M)"};
inline constexpr BilingualText kMenuHelp{"&Help", "帮助(&H)"};
inline constexpr BilingualText kMenuReport{"&Report (save or print)...", "保存或打印报告(&R)..."};
inline constexpr BilingualText kMenuExit{"E&xit", "退出(&X)"};
inline constexpr BilingualText kMenuConnect{"&Connect", "连接(&C)"};
inline constexpr BilingualText kMenuUpload{"&Upload data", "上传数据(&U)"};
inline constexpr BilingualText kMenuReadPower{"Read &power", "读取功率(&P)"};
inline constexpr BilingualText kMenuAbout{"&About Vemla...", "关于 Vemla(&A)..."};

// CSV export: the File menu's entry, the file dialog and its failure.
inline constexpr BilingualText kMenuExportCsv{"Export &CSV...", "导出 CSV(&C)..."};
inline constexpr BilingualText kCsvDialogTitle{"Export CSV", "导出 CSV"};
inline constexpr BilingualText kCsvFilter{"CSV files (*.csv)", "CSV 文件 (*.csv)"};
// %1: the file's path, %2: the system's reason.
inline constexpr BilingualText kCsvNotWritten{"The CSV file could not be written:\n%1\n%2",
                                              "无法写入 CSV 文件：\n%1\n%2"};

// The history window: archived uploads, searched, opened, deleted, exported.
inline constexpr BilingualText kMenuHistory{"&History...", "历史记录(&H)..."};
inline constexpr BilingualText kHistoryTitle{"History", "历史记录"};
inline constexpr BilingualText kHistorySearch{"Search date, device, company, operator, notes",
                                              "搜索日期、设备、公司、操作人、备注"};
inline constexpr BilingualText kHistoryOpen{"Open", "打开"};
inline constexpr BilingualText kHistoryDelete{"Delete", "删除"};
inline constexpr BilingualText kHistoryExportCsv{"Export CSV...", "导出 CSV..."};
inline constexpr BilingualText kHistoryCheck{"Check archive", "检查存档"};
inline constexpr BilingualText kHistoryGive{"Give to project...", "归入项目..."};
// After the record count of an upload that never got the meter's end reply.
inline constexpr BilingualText kHistoryInterrupted{" (interrupted)", "（已中断）"};
inline constexpr BilingualText kHistoryColumnBegan{"DATE/TIME", "日期/时间"};
inline constexpr BilingualText kHistoryColumnDevice{"DEVICE", "设备"};
inline constexpr BilingualText kHistoryColumnRecords{"RECORDS", "记录数"};
inline constexpr BilingualText kHistoryColumnVersions{"VERSIONS", "版本数"};
inline constexpr BilingualText kHistoryColumnCompany{"COMPANY", "公司名称"};
inline constexpr BilingualText kHistoryColumnOperator{"OPERATOR", "测试操作人"};
inline constexpr BilingualText kHistoryColumnNotes{"NOTES", "备注"};
inline constexpr BilingualText kHistoryColumnProject{"PROJECT", "项目"};
inline constexpr std::array kHistoryColumns{
    kHistoryColumnBegan,   kHistoryColumnDevice,   kHistoryColumnRecords, kHistoryColumnVersions,
    kHistoryColumnCompany, kHistoryColumnOperator, kHistoryColumnNotes,   kHistoryColumnProject};
// %1: the upload's date and time, %2: its record count.
inline constexpr BilingualText kHistoryDeleteConfirm{
    "Delete the upload of %1 (%2 records) from the archive?",
    "从存档中删除 %1 的上传（%2 条记录）？"};
inline constexpr BilingualText kHistoryGone{"This upload is no longer in the archive.",
                                            "存档中已没有这次上传。"};
inline constexpr BilingualText kHistoryNotDeleted{
    "The upload could not be deleted from the archive.", "无法从存档中删除这次上传。"};
inline constexpr BilingualText kHistoryNoArchive{"The measurement archive is not open.",
                                                 "测量存档未打开。"};

// The dialogs.
inline constexpr BilingualText kOk{"OK", "确定"};
inline constexpr BilingualText kPinTypeLabel{"PIN Type", "PIN类型"};
inline constexpr BilingualText kSetWavelength{"SET WAVELENGTH", "设置波长"};
inline constexpr BilingualText kEnterWavelengths{"Please enter the desired wavelength",
                                                 "请输入所需波长："};
inline constexpr BilingualText kEnterInteger{"Please enter an integer.", "请输入一个整数。"};

// The measurement table's columns.
inline constexpr BilingualText kColumnNumber{"NUMBER", "序号"};
inline constexpr BilingualText kColumnWavelength{"WAVE LENGTH", "波长"};
inline constexpr BilingualText kColumnPower{"POWER", "功率值"};
inline constexpr BilingualText kColumnRelativePower{"RELATIVE POWER", "相对功率值"};
inline constexpr BilingualText kColumnReference{"REF", "参考值"};
inline constexpr BilingualText kColumnDateTime{"DATA/TIME", "日期/时间"};
inline constexpr BilingualText kColumnNote{"NOTE", "备注"};
inline constexpr std::array kTableColumnCaptions{
    kColumnNumber,    kColumnWavelength, kColumnPower, kColumnRelativePower,
    kColumnReference, kColumnDateTime,   kColumnNote};

// The report: its title (also the file name's), header labels and column headers.
inline constexpr BilingualText kReportTitle{"Test Report", "测试报告"};
inline constexpr BilingualText kReportCompany{"Company:", "公司名称:"};
inline constexpr BilingualText kReportModel{"Instrument Model:", "仪表型号:"};
inline constexpr BilingualText kReportSerialNumber{"Instrument Serial Number:", "仪表序列号:"};
inline constexpr BilingualText kReportOperator{"Test Operator:", "测试操作人:"};
inline constexpr BilingualText kReportNotes{"Notes:", "备注:"};
// Kept as the meter's program does it: the report's header reads "Relative POWER" where the
// table's reads "RELATIVE POWER".
inline constexpr BilingualText kReportColumnRelativePower{"Relative POWER", "相对功率值"};
inline constexpr std::array kReportColumnHeaders{
    kColumnNumber,    kColumnWavelength, kColumnPower, kReportColumnRelativePower,
    kColumnReference, kColumnDateTime,   kColumnNote};
inline constexpr BilingualText kNoData{"NO DATA!", "无数据!"};
inline constexpr BilingualText kCannotCreateSpreadsheet{"CANN'T CREAT Excel APPLATION!",
                                                        "无法创建Excel应用!"};
// %1: the report's path.
inline constexpr BilingualText kReportNotOpened{
    "The report is saved as\n%1\nbut no spreadsheet program could open it. Open that file in "
    "your spreadsheet program to print it.",
    "测试报告已保存为\n%1\n但没有电子表格程序能打开它。请用电子表格程序打开该文件进行打印。"};

// Loss certification in the reports: the workbook's second sheet, the CSV's extra columns and
// the PDF certificate.
inline constexpr BilingualText kCertificationSheet{"Certification", "认证"};
// A workbook that could not be written, and why. %1: characters a cell holds.
inline constexpr BilingualText kHeaderTooLong{
    "A header field is longer than %1 characters, more than a spreadsheet cell holds.",
    "表头字段超过 %1 个字符，超出电子表格单元格的容量。"};
// %1: the row, %2: the column, %3: characters a cell holds.
inline constexpr BilingualText kCellTooLong{
    "Row %1, %2: the text is longer than %3 characters, more than a spreadsheet cell holds.",
    "第 %1 行，%2：文字超过 %3 个字符，超出电子表格单元格的容量。"};
inline constexpr BilingualText kWorkbookNotMade{"The workbook could not be made.",
                                                "无法生成工作簿。"};
inline constexpr BilingualText kCertificateTitle{"Loss Certificate", "损耗认证证书"};
inline constexpr BilingualText kCertMethod{"Reference method:", "参考方法:"};
inline constexpr BilingualText kCertLinkLength{"Link length (km):", "链路长度(km):"};
inline constexpr BilingualText kCertConnectorPairs{"Connector pairs:", "连接器对数:"};
inline constexpr BilingualText kCertLossPerPair{"Loss per pair (dB):", "每对连接器损耗(dB):"};
inline constexpr BilingualText kCertSplices{"Splices:", "熔接点数:"};
inline constexpr BilingualText kCertLossPerSplice{"Loss per splice (dB):", "每个熔接点损耗(dB):"};
inline constexpr BilingualText kCertDesignMargin{"Design margin (dB):", "设计余量(dB):"};
inline constexpr BilingualText kCertLimits{"Limits", "限值"};
inline constexpr BilingualText kCertWavelength{"Wavelength (nm)", "波长(nm)"};
inline constexpr BilingualText kCertLimitFrom{"Limit from", "限值来源"};
inline constexpr BilingualText kCertFixed{"fixed", "固定值"};
inline constexpr BilingualText kCertBudget{"budget", "损耗预算"};
inline constexpr BilingualText kCertAttenuation{"Attenuation (dB/km)", "衰减(dB/km)"};
inline constexpr BilingualText kCertLimit{"Limit (dB)", "限值(dB)"};
inline constexpr BilingualText kCertMargin{"Margin (dB)", "余量(dB)"};
inline constexpr BilingualText kCertReferences{"References", "参考值"};
inline constexpr BilingualText kCertReference{"Reference (dBm)", "参考值(dBm)"};
inline constexpr BilingualText kCertTaken{"Taken", "设置时间"};
inline constexpr BilingualText kCertSummary{"Summary", "汇总"};
inline constexpr BilingualText kCertCount{"Count", "数量"};
inline constexpr BilingualText kCertWarnings{"Warnings", "警告"};
inline constexpr BilingualText kCertWorstMargin{"Worst margin (dB)", "最小余量(dB)"};
inline constexpr BilingualText kCertOverall{"Overall result:", "总体结果:"};
// The preset the limits came from and its edition; the uncertainty results were judged with.
inline constexpr BilingualText kCertPreset{"Limits from:", "限值依据:"};
inline constexpr BilingualText kCertEndConnection{"End connection loss (dB):", "端接连接损耗(dB):"};
inline constexpr BilingualText kCertUncertainty{"Measurement uncertainty:", "测量不确定度:"};
// Results whose margin is within the uncertainty ("PASS*", "FAIL*").
inline constexpr BilingualText kCertMarginal{"Marginal", "临界"};
inline constexpr BilingualText kMenuExportPdf{"Export PDF...", "导出 PDF..."};
inline constexpr BilingualText kMenuPrint{"Print...", "打印..."};
inline constexpr BilingualText kPdfDialogTitle{"Export PDF", "导出 PDF"};
inline constexpr BilingualText kPdfFilter{"PDF files (*.pdf)", "PDF 文件 (*.pdf)"};
inline constexpr BilingualText kPdfProgress{"Writing the certificate...", "正在生成认证证书..."};
inline constexpr BilingualText kPdfCancelled{"Cancelled.", "已取消。"};
inline constexpr BilingualText kPdfNotDrawn{"The certificate could not be drawn.",
                                            "无法绘制认证证书。"};
inline constexpr BilingualText kCertificationOff{
    "Loss certification is off. Turn it on and set the limits before making a certificate.",
    "损耗认证未开启。请先开启认证并设置限值，再生成证书。"};
// %1: the file's path, %2: the system's reason.
inline constexpr BilingualText kPdfNotWritten{"The certificate could not be written to\n%1\n%2",
                                              "无法写入认证证书\n%1\n%2"};
// %1: the file chosen.
inline constexpr BilingualText kPdfExists{
    "%1\nexists. A certificate is never overwritten: choose another name.",
    "%1\n已存在。认证证书不会被覆盖，请另选文件名。"};
inline constexpr BilingualText kPrintFailed{"The certificate could not be printed.",
                                            "无法打印认证证书。"};

// The port that comes back, the status line and the accessible names.
inline constexpr BilingualText kMenuAutoReconnect{"Reconnect automatically", "自动重新连接"};
// %1: the port's list entry, "COM3 (/dev/ttyUSB0)".
inline constexpr BilingualText kStatusNoPort{"No port open", "未打开串口"};
inline constexpr BilingualText kStatusPortOpen{"%1 open", "%1 已打开"};
inline constexpr BilingualText kStatusPortClosed{"%1 closed", "%1 已关闭"};
inline constexpr BilingualText kStatusPortLost{"%1 gone", "%1 已断开"};
inline constexpr BilingualText kStatusPortWaiting{"%1 gone; reopened when it is back",
                                                  "%1 已断开，重新接入后自动打开"};
inline constexpr BilingualText kStatusPortReopened{"Port reopened: %1 open",
                                                   "串口已重新打开：%1 已打开"};
// A VEMLA_PORTS entry that is not offered; follows the port's state. %1: the path, %2: why.
inline constexpr BilingualText kStatusPortSkipped{" · VEMLA_PORTS: %1 not listed, %2",
                                                  " · VEMLA_PORTS：未列出 %1，%2"};
// %1: how many more entries were not listed.
inline constexpr BilingualText kStatusPortSkippedMore{" (and %1 more)", "（另有 %1 个）"};
inline constexpr BilingualText kPortSkipRegularFile{"a regular file, not a serial device",
                                                    "它是普通文件，不是串口设备"};
inline constexpr BilingualText kPortSkipFifo{"a FIFO, not a serial device",
                                             "它是命名管道，不是串口设备"};
inline constexpr BilingualText kPortSkipDirectory{"a folder, not a serial device",
                                                  "它是文件夹，不是串口设备"};
inline constexpr BilingualText kPortSkipSocket{"a socket, not a serial device",
                                               "它是套接字，不是串口设备"};
inline constexpr BilingualText kPortSkipBlock{"a block device, not a serial device",
                                              "它是块设备，不是串口设备"};
// %1: the kernel's class of the device, "mem" for /dev/zero.
inline constexpr BilingualText kPortSkipNotSerial{
    "a character device of class %1, not a serial line", "它是 %1 类字符设备，不是串行线路"};
inline constexpr BilingualText kPortSkipOther{"it cannot be examined", "无法检查它"};
// %1: records so far, %2: kB/s, %3: minutes:seconds.
inline constexpr BilingualText kStatusReceiving{"Receiving records: %1 · %2 kB/s · %3",
                                                "正在接收记录：%1 · %2 kB/s · %3"};
// %1: records, %2: minutes:seconds.
inline constexpr BilingualText kStatusUploadDone{"%1 records in %2", "共 %1 条记录，用时 %2"};
// Follows the upload's counts; %1: damaged records left out.
inline constexpr BilingualText kStatusSkipped{" · %1 damaged records skipped",
                                              " · 跳过 %1 条损坏的记录"};
inline constexpr BilingualText kNameRecords{"Records", "测量记录"};
inline constexpr BilingualText kNamePower{"Power (dBm)", "功率 (dBm)"};
inline constexpr std::array kNameLasers{BilingualText{"Laser 1 wavelength", "激光器1波长"},
                                        BilingualText{"Laser 2 wavelength", "激光器2波长"},
                                        BilingualText{"Laser 3 wavelength", "激光器3波长"},
                                        BilingualText{"Laser 4 wavelength", "激光器4波长"}};

// The measurement archive.
// %1: why (the system's or SQLite's own words).
inline constexpr BilingualText kArchiveOff{
    "The measurement archive is off: %1\nUploads go on in the table; Vemla keeps trying to "
    "save them to the archive.",
    "测量存档已停用：%1\n上传的数据仍在表格中；Vemla 会继续尝试把它们保存到存档。"};
// %1: where the damaged file went.
inline constexpr BilingualText kArchiveCorrupt{
    "The measurement archive was damaged. It has been moved aside as\n%1\nand a new archive "
    "has been started.",
    "测量存档已损坏，已被移到\n%1\n并已新建一个存档。"};
// %1: the archive's path.
inline constexpr BilingualText kArchiveNewer{
    "The measurement archive\n%1\nwas written by a newer Vemla. It is opened read-only: "
    "uploads are not archived.",
    "测量存档\n%1\n由较新版本的 Vemla 写入，现以只读方式打开：上传的数据不会存档。"};
// At exit, what could not be written in the time allowed. %1: records, %2: why.
inline constexpr BilingualText kArchiveNotWritten{
    "The measurement archive could not be written: %2\n%1 records (and the changes made "
    "with them) are not archived; the table and any saved report still hold them.",
    "无法写入测量存档：%2\n%1 "
    "条记录（及随之所做的修改）未能存档；表格和已保存的报告中仍有这些数据。"};
// The full check, on demand. %1: the archive's path.
inline constexpr BilingualText kArchiveCheckSound{"The measurement archive %1 is sound.",
                                                  "测量存档 %1 完好。"};
// %1: the path, %2: the first findings, %3: how many there are.
inline constexpr BilingualText kArchiveCheckDamaged{
    "The measurement archive %1 is damaged (%3 findings):\n%2",
    "测量存档 %1 已损坏（%3 处问题）：\n%2"};
inline constexpr BilingualText kArchiveCheckMissing{"There is no measurement archive at %1.",
                                                    "%1 处没有测量存档。"};

// The lab's shared archive on its PostgreSQL server. %1: the server's own words.
inline constexpr BilingualText kSharedRefused{
    "The shared archive server refused: your login has no right to do this. Ask the lab's "
    "archive manager for the role it needs. (%1)",
    "共享存档服务器拒绝了此操作：您的登录帐号没有这项权限。请向实验室的存档管理员申请所需的角色。（%1）"};
inline constexpr BilingualText kSharedUnreachable{"The shared archive server cannot be reached: %1",
                                                  "无法连接共享存档服务器：%1"};
inline constexpr BilingualText kSharedFailed{"The shared archive server failed: %1",
                                             "共享存档服务器出错：%1"};
// %1: the schema step the server is at.
inline constexpr BilingualText kSharedReady{"The shared archive is ready (schema step %1).",
                                            "共享存档已准备就绪（结构版本 %1）。"};
inline constexpr BilingualText kSharedUpToDate{"The shared archive is up to date (schema step %1).",
                                               "共享存档已是最新（结构版本 %1）。"};
// %2: the newest step this Vemla knows.
inline constexpr BilingualText kSharedNewer{
    "The shared archive was made by a newer Vemla (schema step %1; this one knows up to %2). "
    "It is left as it is.",
    "共享存档由较新版本的 Vemla 建立（结构版本 %1；本程序最高支持 %2），未作任何改动。"};

// The lab's shared archive: its state, as the status line and `vemla-cli archive status` say it.
inline constexpr BilingualText kSharedStatusOff{"Shared archive: off", "共享存档：未启用"};
inline constexpr BilingualText kSharedStatusUpToDate{"Shared archive: up to date", "共享存档：已是最新"};
// %1: records the server does not have yet.
inline constexpr BilingualText kSharedStatusWaiting{"Shared archive: %1 records waiting",
                                              "共享存档：%1 条记录等待上传"};
// %1: since when (hh:mm, local time).
inline constexpr BilingualText kSharedStatusUnreachable{"Shared archive: unreachable since %1",
                                                  "共享存档：自 %1 起无法连接"};
// %1: the server's words.
inline constexpr BilingualText kSharedStatusRefused{"Shared archive: refused: %1",
                                                    "共享存档：被拒绝：%1"};
// What one sync did. %1: records sent, %2: versions sent, %3: versions received, %4: their
// records.
inline constexpr BilingualText kSharedSynced{
    "Sent %1 records in %2 versions; received %3 versions with %4 records.",
    "已上传 %2 个版本共 %1 条记录；已接收 %3 个版本共 %4 条记录。"};

// The live power monitor: its menu entry, window, statistics and status line.
inline constexpr BilingualText kMenuLivePower{"Live power...", "实时功率..."};
inline constexpr BilingualText kLiveTitle{"Live power", "实时功率"};
inline constexpr BilingualText kLiveStart{"Start", "开始"};
inline constexpr BilingualText kLivePause{"Pause", "暂停"};
inline constexpr BilingualText kLiveInterval{"Interval:", "间隔:"};
inline constexpr BilingualText kLiveSpan{"Span:", "时间范围:"};
inline constexpr BilingualText kLiveUnit{"Unit:", "单位:"};
inline constexpr BilingualText kLiveSpanAll{"all", "全部"};
inline constexpr BilingualText kLiveRelative{"dB (relative)", "dB (相对)"};
inline constexpr BilingualText kLiveCurrent{"Current", "当前值"};
inline constexpr BilingualText kLiveMinimum{"Minimum", "最小值"};
inline constexpr BilingualText kLiveMaximum{"Maximum", "最大值"};
inline constexpr BilingualText kLiveMean{"Mean", "平均值"};
inline constexpr BilingualText kLiveDeviation{"Std. deviation", "标准差"};
inline constexpr BilingualText kLiveCount{"Count", "读数个数"};
inline constexpr BilingualText kLiveInvalid{"Invalid", "无效读数"};
inline constexpr BilingualText kLiveTimeSpan{"Time span", "时长"};
inline constexpr BilingualText kLiveReference{"Reference", "参考值"};
inline constexpr BilingualText kLiveReset{"Reset", "复位"};
inline constexpr BilingualText kLiveSetReference{"Set reference", "设为参考"};
inline constexpr BilingualText kLiveHold{"Hold", "保持"};
inline constexpr BilingualText kLiveRecord{"Record...", "记录..."};
inline constexpr BilingualText kLiveStopRecord{"Stop recording", "停止记录"};
inline constexpr BilingualText kLiveTime{"Time", "时间"};
inline constexpr BilingualText kLivePower{"Power", "功率"};
inline constexpr BilingualText kLiveIdle{"Paused.", "已暂停。"};
inline constexpr BilingualText kLivePolling{"Reading the meter.", "正在读取功率计。"};
inline constexpr BilingualText kLiveWaiting{"Waiting for the meter to answer a command.",
                                            "等待功率计应答命令。"};
inline constexpr BilingualText kLiveNoReply{"no reply from the meter", "功率计无应答"};
// %1: the file being written.
inline constexpr BilingualText kLiveRecording{"Recording to %1", "正在记录到 %1"};
// %1: the file, %2: the system's reason.
inline constexpr BilingualText kLiveLogFailed{"Cannot write %1: %2", "无法写入 %1：%2"};
inline constexpr BilingualText kLiveCsvFilter{"CSV files (*.csv)", "CSV 文件 (*.csv)"};
// %1: the wavelength the meter last acknowledged.
inline constexpr BilingualText kLiveUseReference{"Use as reference for %1 nm", "设为 %1 nm 的参考"};
inline constexpr BilingualText kLiveUseReferenceUnknown{"Use as reference for λ", "设为 λ 的参考"};
// %1: the wavelength, %2: the reading stored.
inline constexpr BilingualText kLiveReferenceStored{"Reference for %1 nm set to %2 dBm.",
                                                    "%1 nm 的参考已设为 %2 dBm。"};
// More meters in the live window: the control that adds one by port, and each meter's row.
inline constexpr BilingualText kLiveAddMeter{"Add meter...", "添加功率计..."};
inline constexpr BilingualText kLiveNoFreePort{"No other port", "没有其他端口"};
inline constexpr BilingualText kLiveRemoveMeter{"Remove", "移除"};
inline constexpr BilingualText kLivePort{"Port", "端口"};
inline constexpr BilingualText kLiveWavelength{"Wavelength", "波长"};
inline constexpr BilingualText kLiveMissed{"Missed polls", "漏读次数"};
inline constexpr BilingualText kLiveState{"State", "状态"};

// Loss certification in the main window: the limits dialog, the summary line, fibre labels.
inline constexpr BilingualText kMenuLossLimits{"Loss limits...", "损耗限值..."};
inline constexpr BilingualText kLimitsTitle{"Loss limits", "损耗限值"};
inline constexpr BilingualText kLimitsEnable{"Judge readings against limits", "按限值判定读数"};
inline constexpr BilingualText kLimitsPreset{"Preset:", "预设:"};
inline constexpr BilingualText kLimitsMethod{"Reference method:", "参考方法:"};
inline constexpr BilingualText kLimitsLength{"Length (km):", "长度 (km):"};
inline constexpr BilingualText kLimitsPairs{"Connector pairs:", "连接器对数:"};
inline constexpr BilingualText kLimitsPerPair{"Loss per pair (dB):", "每对连接器损耗 (dB):"};
inline constexpr BilingualText kLimitsSplices{"Splices:", "熔接点数:"};
inline constexpr BilingualText kLimitsPerSplice{"Loss per splice (dB):", "每个熔接点损耗 (dB):"};
inline constexpr BilingualText kLimitsMargin{"Design margin (dB):", "设计余量 (dB):"};
inline constexpr BilingualText kLimitsEndConnection{"End connection loss (dB):",
                                                    "端接连接损耗 (dB):"};
inline constexpr BilingualText kLimitsMeterUncertainty{"Meter uncertainty (dB):",
                                                       "仪表不确定度 (dB):"};
inline constexpr BilingualText kLimitsSourceUncertainty{"Source uncertainty (dB):",
                                                        "光源不确定度 (dB):"};
inline constexpr BilingualText kLimitsEdition{"Edition:", "版本:"};
inline constexpr BilingualText kLimitsCopyToCustom{"Copy to custom", "复制为自定义"};
inline constexpr BilingualText kLimitsStaleAfter{"Reference stale after (h):",
                                                 "参考过期时间 (小时):"};
inline constexpr BilingualText kLimitsAddWave{"Add wavelength", "添加波长"};
inline constexpr BilingualText kLimitsFixed{"fixed", "固定"};
inline constexpr BilingualText kLimitsBudget{"budget", "预算"};
inline constexpr std::array<BilingualText, 7> kLimitsColumns{{
    {"λ (nm)", "波长 (nm)"},
    {"Kind", "类型"},
    {"Max loss (dB)", "最大损耗 (dB)"},
    {"Attenuation (dB/km)", "衰减 (dB/km)"},
    {"Limit (dB)", "限值 (dB)"},
    {"Reference (dBm)", "参考 (dBm)"},
    {"Taken", "参考时间"},
}};
// %1: the field's name, %2 and %3: its bounds.
inline constexpr BilingualText kLimitsBadNumber{"%1 enter a number from %2 to %3.",
                                                "%1 请输入 %2 到 %3 之间的数。"};
// One wavelength of the summary line. %1 nm, %2 records, %3 passed, %4 failed, %5 the worst
// margin ("-0.31 dB", or a dash).
inline constexpr BilingualText kSummaryWave{"%1 nm: %2 · PASS %3 · FAIL %4 · worst margin %5",
                                            "%1 nm：%2 · 合格 %3 · 不合格 %4 · 最差余量 %5"};
// Added to a wavelength's summary when an uncertainty is set. %1: the marginal results.
inline constexpr BilingualText kSummaryMarginal{" · marginal %1", " · 临界 %1"};
inline constexpr BilingualText kMenuProjects{"Projects...", "项目..."};
// The project window: its title, the chooser, the filter and the search.
inline constexpr BilingualText kProjectsTitle{"Projects", "项目"};
inline constexpr BilingualText kProjectsChoose{"Project:", "项目:"};
inline constexpr BilingualText kProjectsShow{"Show:", "显示:"};
inline constexpr BilingualText kProjectsSearch{"Cable ID:", "电缆编号:"};
inline constexpr BilingualText kProjectsNone{
    "No project yet: vemla-cli project import or add makes one.",
    "尚无项目：用 vemla-cli project import 或 add 创建。"};
// The project bar under the table and the history's Give to project.
inline constexpr BilingualText kBarDirection{"Direction:", "方向:"};
inline constexpr BilingualText kBarNone{"none", "无"};
inline constexpr BilingualText kGiveTitle{"Give to project", "归入项目"};
// %1: the project, %2: why.
inline constexpr BilingualText kGiveRefused{"The upload was not given to project \"%1\": %2",
                                            "上传记录未能归入项目“%1”：%2"};
inline constexpr BilingualText kGiveProjectGone{"the project is no longer in the archive.",
                                                "存档中已没有该项目。"};
inline constexpr BilingualText kGiveCutShort{
    "The upload was cut short, so it was not given to project \"%1\". File > History can give "
    "it once you have checked it.",
    "上传被中断，因此未归入项目“%1”。检查后可在“历史记录”中归入。"};
inline constexpr std::array<BilingualText, 5> kProjectFilters{{{"All", "全部"},
                                                               {"Untested", "未测试"},
                                                               {"Incomplete", "未完成"},
                                                               {"Failed", "不合格"},
                                                               {"Marginal", "临界"}}};
// The project window's corrections, its history and its outputs.
inline constexpr BilingualText kProjectMoveTo{"Move to...", "移动到..."};
inline constexpr BilingualText kProjectClear{"Clear", "清除"};
inline constexpr BilingualText kProjectReadings{"Readings...", "读数..."};
inline constexpr BilingualText kProjectEditCable{"Edit cable ID...", "编辑电缆编号..."};
inline constexpr BilingualText kProjectUndo{"Undo", "撤销"};
// %1: the change, as the history tells it.
inline constexpr BilingualText kProjectUndoWhat{"Undo %1", "撤销 %1"};
inline constexpr BilingualText kProjectHistory{"History...", "历史..."};
inline constexpr BilingualText kProjectPrint{"Print...", "打印..."};
inline constexpr BilingualText kProjectExport{"Export...", "导出..."};
// %1: a wavelength and direction ("1310 nm A→B"), %2: the cable ID.
inline constexpr BilingualText kProjectMoveTitle{"Move %1 of %2", "移动 %2 的 %1"};
inline constexpr BilingualText kProjectMoveTarget{"To cable ID:", "移到电缆编号:"};
inline constexpr BilingualText kProjectReadingsTitle{"Readings of %2 at %1", "%2 在 %1 的读数"};
inline constexpr std::array<BilingualText, 4> kProjectReadingColumns{
    {{"Upload", "上传"}, {"Record", "记录"}, {"Time", "时间"}, {"Loss", "损耗"}}};
inline constexpr BilingualText kProjectEditTitle{"Edit cable ID %1", "编辑电缆编号 %1"};
inline constexpr std::array<BilingualText, 7> kCableFields{{{"Cable ID:", "电缆编号:"},
                                                            {"Length (km):", "长度 (km):"},
                                                            {"Connections:", "连接数:"},
                                                            {"Splices:", "熔接数:"},
                                                            {"From:", "起点:"},
                                                            {"To:", "终点:"},
                                                            {"Notes:", "备注:"}}};
inline constexpr BilingualText kProjectHistoryTitle{"History of %1", "%1 的历史"};
inline constexpr std::array<BilingualText, 3> kProjectHistoryColumns{
    {{"When", "时间"}, {"Who", "操作人"}, {"What", "更改"}}};
inline constexpr BilingualText kProjectExportTitle{"Export the project", "导出项目"};
inline constexpr BilingualText kProjectExportFilter{
    "PDF certificate (*.pdf);;Workbook (*.xlsx);;CSV file (*.csv);;JSON file (*.json)",
    "PDF 认证证书 (*.pdf);;工作簿 (*.xlsx);;CSV 文件 (*.csv);;JSON 文件 (*.json)"};
// %1: the file's path, %2: the system's reason.
inline constexpr BilingualText kProjectNotWritten{"The project could not be written to\n%1\n%2",
                                                  "无法写入项目文件\n%1\n%2"};
inline constexpr BilingualText kMenuFillSeries{"Fill series...", "填充序列..."};
inline constexpr BilingualText kFillTitle{"Fill series", "填充序列"};
inline constexpr BilingualText kFillPrefix{"Prefix:", "前缀:"};
inline constexpr BilingualText kFillStart{"Start number:", "起始编号:"};
inline constexpr BilingualText kFillStep{"Step:", "步长:"};
inline constexpr BilingualText kFillWidth{"Zero padding width:", "补零宽度:"};
inline constexpr BilingualText kFillNoRows{"Select the rows to label first.",
                                           "请先选择要编号的行。"};

// vemla-cli: its messages on stderr (data goes to stdout untranslated).
inline constexpr BilingualText kCliTryHelp{"Try 'vemla-cli --help'.",
                                           "运行 'vemla-cli --help' 查看用法。"};
inline constexpr BilingualText kCliNoCommand{"no command given", "没有给出命令"};
// %1: what was typed.
inline constexpr BilingualText kCliUnknownCommand{"unknown command '%1'", "未知命令“%1”"};
inline constexpr BilingualText kCliUnknownOption{"unknown option '%1'", "未知选项“%1”"};
// %1: the option, %2: the command.
inline constexpr BilingualText kCliOptionNotFor{"option --%1 does not apply to '%2'",
                                                "选项 --%1 不适用于“%2”"};
inline constexpr BilingualText kCliMissingValue{"option --%1 needs a value",
                                                "选项 --%1 需要一个值"};
// %1: the option (or the argument's name), %2: the value given, %3: what is wanted.
inline constexpr BilingualText kCliBadValue{"%1: '%2' is not %3", "%1：“%2”不是%3"};
inline constexpr BilingualText kCliWantSeconds{"a number of seconds from 0.2 to 3600",
                                               "0.2 到 3600 之间的秒数"};
inline constexpr BilingualText kCliWantCount{"a whole number from 1 to 100000000",
                                             "1 到 100000000 之间的整数"};
inline constexpr BilingualText kCliWantRecords{"a whole number from 0 to 65536",
                                               "0 到 65536 之间的整数"};
inline constexpr BilingualText kCliWantLanguage{"en or zh", "en 或 zh"};
inline constexpr BilingualText kCliWantTime{
    "'now' or a date and time YYYY-MM-DD HH:MM (2000..2255)",
    "“now”或 YYYY-MM-DD HH:MM 格式的日期时间（2000..2255）"};
inline constexpr BilingualText kCliWantWavelength{"a wavelength in nm from 1 to 65535",
                                                  "1 到 65535 之间的波长（nm）"};
inline constexpr BilingualText kCliWantCalibration{"a number in dB from -100 to 100",
                                                   "-100 到 100 之间的数值（dB）"};
inline constexpr BilingualText kCliWantRecordNumber{"a record number from 1 to 65536",
                                                    "1 到 65536 之间的记录号"};
inline constexpr BilingualText kCliWantText{"a text of at most 1000 characters",
                                            "不超过 1000 个字符的文字"};
inline constexpr BilingualText kCliWantPath{"a file path of at most 4095 bytes",
                                            "不超过 4095 字节的文件路径"};
// %1: the command, %2: its arguments as the help shows them.
inline constexpr BilingualText kCliWantWaves{"wavelengths in nm such as 1310,1550 (at most 64)",
                                             "以逗号分隔的波长(nm)，如 1310,1550（最多 64 个）"};
inline constexpr BilingualText kCliWantLimit{"a whole number from 1 to 10000",
                                             "1 到 10000 之间的整数"};
inline constexpr BilingualText kCliWantDirection{"ab or ba", "ab 或 ba"};
inline constexpr BilingualText kCliWantRule{"average, each or worse", "average、each 或 worse"};
inline constexpr BilingualText kCliWantThreshold{"a number in dB from 0 to 100",
                                                 "0 到 100 之间的 dB 数值"};
inline constexpr BilingualText kCliProjectNeedsDirection{
    "--project needs --direction ab|ba, and keeps the upload in the archive",
    "--project 需要 --direction ab|ba，且上传须存入档案"};
inline constexpr BilingualText kCliArguments{"'%1' takes: %2", "“%1”的参数：%2"};
inline constexpr BilingualText kCliPortRequired{
    "--port is required: COM<n> or a device path ('vemla-cli ports' lists them)",
    "需要 --port：COM<n> 或设备路径（'vemla-cli ports' 可列出）"};
// %1: the port asked for.
inline constexpr BilingualText kCliNoSuchPort{"there is no port %1 ('vemla-cli ports' lists them)",
                                              "没有端口 %1（'vemla-cli ports' 可列出）"};
inline constexpr BilingualText kCliSimulatorFailed{"the simulated meter cannot start: %1",
                                                   "模拟仪表无法启动：%1"};
// %1: seconds.
inline constexpr BilingualText kCliNoReply{"no reply from the meter within %1 s",
                                           "%1 秒内仪表没有应答"};
// %1: the port's list entry.
inline constexpr BilingualText kCliPortLost{
    "the port %1 closed before the meter's reply was complete: the device went away",
    "仪表应答完成前端口 %1 已关闭：设备已断开"};
// %1: the file.
inline constexpr BilingualText kCliFileExists{"%1 exists; --force overwrites it",
                                              "%1 已存在；加 --force 可覆盖"};
// %1: the file, %2: the system's reason.
inline constexpr BilingualText kCliCannotWrite{"cannot write %1: %2", "无法写入 %1：%2"};
// %1: the file.
inline constexpr BilingualText kCliSameFileTwice{"%1 is named for two outputs",
                                                 "%1 被指定给了两个输出"};
inline constexpr BilingualText kCliPdfNeedsProgram{"PDF certificates need the vemla-pdf program",
                                                   "PDF 证书需要 vemla-pdf 程序"};
inline constexpr BilingualText kCliPdfNeedsLimits{
    "a certificate needs loss limits: turn them on in Vemla (Measure -> Loss limits...)",
    "证书需要损耗限值：请在 Vemla 中打开（测量 -> 损耗限值...）"};
inline constexpr BilingualText kCliDeleteAllNeedsYes{
    "delete-all erases every reading stored in the meter: add --yes to go ahead",
    "delete-all 会删除仪表中存储的全部读数：加 --yes 才会执行"};
// %1: the wavelength asked for, %2: those the meter offers.
inline constexpr BilingualText kCliNoSuchWave{"the meter offers no %1 nm (it offers: %2)",
                                              "仪表没有 %1 nm 波长（可选：%2）"};
// %1: records received.
inline constexpr BilingualText kCliInterrupted{
    "interrupted after %1 records: no file written, the records are archived as interrupted",
    "已中断，收到 %1 条记录：未写入任何文件，记录已作为中断的上传存档"};
// %1: damaged records left out of the upload.
inline constexpr BilingualText kCliSkipped{
    "%1 damaged records were left out of the upload (the meter still holds them)",
    "上传时跳过了 %1 条损坏的记录（仪表中仍保存着这些记录）"};
inline constexpr BilingualText kCliNoSuchProject{
    "there is no project '%1' ('vemla-cli project list' lists them)",
    "没有项目“%1”（“vemla-cli project list”列出所有项目）"};
// %1: the project, %2: cable IDs added, %3: IDs in its plan now.
inline constexpr BilingualText kCliPlanAdded{"%1: %2 cable IDs added, %3 in the plan",
                                             "%1：已添加 %2 个电缆编号，计划中共 %3 个"};
inline constexpr BilingualText kCliCannotRead{"cannot read %1: %2", "无法读取 %1：%2"};
inline constexpr BilingualText kCliTooLarge{"%1 is larger than %2 MiB", "%1 大于 %2 MiB"};
inline constexpr BilingualText kCliReportNeedsOutput{
    "'project report' needs --pdf, --xlsx, --csv or --json",
    "“project report”需要 --pdf、--xlsx、--csv 或 --json"};
// %1: the upload's job number, %2: the project, %3: A→B or B→A.
inline constexpr BilingualText kCliUploadTied{"upload %1 given to project %2, %3",
                                              "上传记录 %1 已归入项目 %2，%3"};
inline constexpr BilingualText kCliArchiveNeeded{
    "projects live in the archive, which cannot be written: %1",
    "项目保存在档案中，而档案无法写入：%1"};
inline constexpr BilingualText kCliNoServer{
    "no shared archive server is named: give --server CONNINFO, set VEMLA_ARCHIVE_SERVER, or "
    "choose one in Vemla",
    "没有指定共享存档服务器：请使用 --server CONNINFO，或设置 VEMLA_ARCHIVE_SERVER，或在 Vemla 中选择"};
// %1: readings the meter holds after the delete.
inline constexpr BilingualText kCliRecordsLeft{"the meter holds %1 readings",
                                               "仪表中还有 %1 条读数"};
// %1: the most --port options power takes.
inline constexpr BilingualText kCliTooManyPorts{"power takes at most %1 --port options",
                                                "power 最多接受 %1 个 --port 选项"};
inline constexpr BilingualText kCliPortTwice{"power --jsonl: a --port is given twice",
                                             "power --jsonl: 有 --port 重复给出"};
inline constexpr BilingualText kCliWantDuration{"a number of seconds from 0.2 to 31536000",
                                                "0.2 到 31536000 之间的秒数"};
inline constexpr BilingualText kCliWantRotate{"never, hour or day", "never、hour 或 day"};
inline constexpr BilingualText kCliWantSize{
    "a size in bytes from 1024 to 1T, such as 1048576 or 100M",
    "1024 到 1T 之间的字节数，例如 1048576 或 100M"};
// A meter among several whose lines stop and start again. %1: its port.
inline constexpr BilingualText kCliMeterSilent{
    "%1: the meter does not answer; its lines stop until it does",
    "%1：仪表没有应答；在它应答之前不再输出它的读数"};
inline constexpr BilingualText kCliMeterAnswers{"%1: the meter answers again", "%1：仪表恢复应答"};
inline constexpr BilingualText kCliMeterPortClosed{
    "%1: the port is not open; it is tried again at every reading",
    "%1：端口未打开；每次读数时都会重试"};

// Writing a file: why a write was refused or failed. %1: the file or folder concerned.
inline constexpr BilingualText kWriteLink{
    "%1 is a symbolic link; Vemla does not write through links.",
    "%1 是符号链接；Vemla 不会通过链接写入文件。"};
inline constexpr BilingualText kWriteExists{"%1 already exists.", "%1 已存在。"};
inline constexpr BilingualText kWriteNotRegular{"%1 is not a regular file.", "%1 不是普通文件。"};
// %2: the system's reason.
inline constexpr BilingualText kWriteSystem{"%1: %2", "%1：%2"};

// A project's plan of cable IDs. %1: the pattern or the line.
inline constexpr BilingualText kPlanBadPattern{
    "The pattern \"%1\" is not valid: write ranges as [01..48] or [A..D], rising.",
    "模式“%1”无效：范围应写成 [01..48] 或 [A..D]，且由小到大。"};
// %2: the most IDs a plan holds.
inline constexpr BilingualText kPlanTooMany{"\"%1\" gives more than %2 cable IDs.",
                                            "“%1”生成的电缆编号超过 %2 个。"};
inline constexpr BilingualText kPlanTooLarge{"The plan would hold more than %1 cable IDs.",
                                             "计划中的电缆编号将超过 %1 个。"};
inline constexpr BilingualText kPlanEmptyId{"Line %1: the cable ID is empty.",
                                            "第 %1 行：电缆编号为空。"};
// %2: the ID.
inline constexpr BilingualText kPlanDuplicate{
    "Line %1: the cable ID \"%2\" is already in the plan.", "第 %1 行：电缆编号“%2”已在计划中。"};
inline constexpr BilingualText kPlanIdTaken{"The cable ID \"%1\" is already in the plan.",
                                            "电缆编号“%1”已在计划中。"};
inline constexpr BilingualText kPlanBadId{"\"%1\" is not a cable ID: empty or too long.",
                                          "“%1”不是有效的电缆编号：为空或过长。"};
inline constexpr BilingualText kPlanNoIdColumn{
    "The first line names no cable_id (电缆编号) column.", "第一行没有 cable_id（电缆编号）列。"};
// %2: the value, %3: the column.
inline constexpr BilingualText kPlanBadValue{"Line %1: \"%2\" is not a valid %3.",
                                             "第 %1 行：“%2”不是有效的 %3。"};
inline constexpr BilingualText kPlanTooLong{"Line %1: a field is too long.",
                                            "第 %1 行：字段过长。"};
inline constexpr BilingualText kPlanOpenQuote{"Line %1: a quoted field is not closed.",
                                              "第 %1 行：引号未闭合。"};
inline constexpr BilingualText kPlanIdTextTooLong{
    "The cable ID \"%1\" has a field longer than %2 characters.",
    "电缆编号“%1”的某字段超过 %2 个字符。"};
inline constexpr BilingualText kPlanNotText{"The plan is not UTF-8 text.",
                                            "计划文件不是 UTF-8 文本。"};
// A cable ID's progress; PASS and FAIL are the verdicts' own words.
inline constexpr BilingualText kIdIncomplete{"INCOMPLETE", "未完成"};
inline constexpr BilingualText kIdUntested{"UNTESTED", "未测试"};
// A project's reports: the sheet, the certificate's summary and its table of cable IDs.
inline constexpr BilingualText kProjectSheet{"Project", "项目"};
inline constexpr BilingualText kProjectCertificateTitle{"Project Loss Certificate",
                                                        "项目损耗认证证书"};
inline constexpr BilingualText kProjectName{"Project:", "项目:"};
inline constexpr BilingualText kProjectCustomer{"Customer:", "客户:"};
inline constexpr BilingualText kProjectSite{"Site:", "现场:"};
inline constexpr BilingualText kProjectRule{"Both directions:", "双向结果:"};
inline constexpr BilingualText kProjectRuleAverage{"average of A→B and B→A", "A→B 与 B→A 的平均值"};
inline constexpr BilingualText kProjectRuleEach{"each direction on its own", "每个方向分别判定"};
inline constexpr BilingualText kProjectRuleWorse{"the worse direction", "较差的方向"};
inline constexpr BilingualText kProjectProgress{
    "%1 cable IDs: %2 passed (%3), %4 failed (%5), %6 incomplete, %7 untested",
    "%1 个电缆编号：合格 %2 (%3)，不合格 %4 (%5)，未完成 %6，未测试 %7"};
// %1: the cable IDs with a result within the measurement uncertainty.
inline constexpr BilingualText kProjectMarginal{"%1 cable IDs with a marginal result (*)",
                                                "%1 个电缆编号的结果临界 (*)"};
inline constexpr BilingualText kCableIdColumn{"Cable ID", "电缆编号"};
inline constexpr BilingualText kStatusColumn{"Status", "状态"};
inline constexpr BilingualText kUntestedIds{"Untested cable IDs", "未测试的电缆编号"};
// A column of a wavelength: "1310 A→B", "1310 link", "1310 margin", "1310 result".
inline constexpr BilingualText kColumnAtoB{"%1 A→B", "%1 A→B"};
inline constexpr BilingualText kColumnBtoA{"%1 B→A", "%1 B→A"};
inline constexpr BilingualText kColumnLink{"%1 link", "%1 链路"};
inline constexpr BilingualText kColumnLoss{"%1 loss", "%1 损耗"};
inline constexpr BilingualText kColumnMargin{"%1 margin", "%1 余量"};
inline constexpr BilingualText kColumnResult{"%1 result", "%1 结果"};
inline constexpr BilingualText kDirectionsDiffer{"A→B and B→A differ", "A→B 与 B→A 相差过大"};
inline constexpr BilingualText kProjectNameTaken{"A project named \"%1\" already exists.",
                                                 "已存在名为“%1”的项目。"};
inline constexpr BilingualText kProjectBadText{
    "The project's name is empty, or a field is longer than %1 characters.",
    "项目名称为空，或某字段超过 %1 个字符。"};
inline constexpr BilingualText kProjectNoUpload{"There is no upload %1 in the archive.",
                                                "档案中没有上传记录 %1。"};
inline constexpr BilingualText kProjectUploadTied{"Upload %1 is already tied to a project.",
                                                  "上传记录 %1 已关联到项目。"};
inline constexpr BilingualText kProjectNoReading{"There is no such cable ID or reading.",
                                                 "没有该电缆编号或读数。"};
inline constexpr BilingualText kProjectNothingToUndo{"There is nothing to undo.",
                                                     "没有可撤销的更改。"};

} // namespace text

// A control of the main window and the caption the language switch gives it.
struct CaptionText {
    int id;
    BilingualText text;
};
// In the order the switch sets them.
std::span<const CaptionText> CaptionTable();

// The message of a reply code. Code 5 gives the upload-complete text (whether to show it is the
// caller's choice), code 2 an empty text (no message), unknown codes the failure text.
const BilingualText& ReplyMessage(uint8_t code);

} // namespace vemla
