#include "support/KTEncodingCorpus.h"

#include "extraction/names/KTEncodings.h"

using namespace Qt::Literals::StringLiterals;

namespace {

std::vector<KTNameSet> buildCorpus()
{
    return {
        // Windows' built-in zip writes names in the OEM code page of the sender.
        {QStringLiteral("CP850 German, Windows zip"), 104, "ibm-850",
         {u"Rechnungen 2019/Überweisung März.pdf"_s, u"Rechnungen 2019/Rechnung Nr. 1042 - Müller GmbH.pdf"_s,
          u"Steuererklärung 2018.pdf"_s, u"Fotos/Familienfeier bei Oma & Opa/IMG_2041.JPG"_s,
          u"Fotos/Weihnachtsmärkte/Nürnberg.jpg"_s, u"Bewerbung/Lebenslauf Jürgen Schäfer.docx"_s,
          u"Bewerbung/Anschreiben.docx"_s, u"Grüße aus Köln.txt"_s, u"Kündigung Mietvertrag.odt"_s,
          u"Präsentation Übersicht Quartalsergebnisse.pptx"_s, u"Größenvergleich Straßenbahn.xlsx"_s,
          u"Zeugnisse/Abschlusszeugnis Universität Göttingen.pdf"_s, u"Ärztliche Bescheinigung.pdf"_s,
          u"Öffnungszeiten.txt"_s}},
        {QStringLiteral("CP850 French, Windows zip"), 104, "ibm-850",
         {u"Documents/Facture électricité janvier.pdf"_s, u"Documents/Relevé de compte février 2020.pdf"_s,
          u"Photos/Été 2019 à Noirmoutier/DSC_0412.JPG"_s, u"Photos/Noël chez Hélène/IMG_1180.JPG"_s,
          u"Réunion du 12 décembre - compte rendu.docx"_s, u"CV - François Lefèvre.pdf"_s,
          u"Lettre de motivation.docx"_s, u"Recettes/Crème brûlée.txt"_s, u"Recettes/Gâteau au chocolat.txt"_s,
          u"Recettes/Pâte à crêpes.txt"_s, u"Devis rénovation salle de bain.xlsx"_s,
          u"Cours/Mathématiques/Probabilités - exercices corrigés.pdf"_s,
          u"Cours/Français/Dissertation sur Molière.odt"_s, u"Contrat de location - préavis.pdf"_s}},
        {QStringLiteral("CP850 Spanish, Windows zip"), 104, "ibm-850",
         {u"Facturas/Factura teléfono junio.pdf"_s, u"Fotos/Cumpleaños de Begoña/IMG_3301.jpg"_s,
          u"Fotos/Viaje a Cádiz/playa atardecer.jpg"_s, u"Presentación del proyecto.pptx"_s,
          u"Currículum vitae - José Ramón Núñez.pdf"_s, u"Declaración de la renta 2019.pdf"_s,
          u"Año nuevo/Invitación.docx"_s, u"Música/Canción de cuna.mp3"_s,
          u"Reunión con el señor García.txt"_s, u"Información útil.txt"_s, u"Contraseñas.xlsx"_s,
          u"Niños/Excursión al zoológico.pdf"_s}},
        {QStringLiteral("CP850 Portuguese, Windows zip"), 104, "ibm-850",
         {u"Documentos/Declaração de imposto 2020.pdf"_s, u"Documentos/Certidão de nascimento.pdf"_s,
          u"Fotos/Férias em São Paulo/IMG_0021.jpg"_s, u"Fotos/Aniversário da Conceição/IMG_0107.jpg"_s,
          u"Orçamento reforma cozinha.xlsx"_s, u"Apresentação final - versão 3.pptx"_s,
          u"Relatório de atividades.docx"_s, u"Lições/Português/Exercícios de gramática.pdf"_s,
          u"Contrato de prestação de serviços.pdf"_s, u"Informações úteis.txt"_s,
          u"Música/Coração não tem idade.mp3"_s, u"Situação financeira - janeiro.xlsx"_s,
          u"ÍNDICE GERAL.doc"_s, u"AVALIAÇÃO FINAL.doc"_s}},
        {QStringLiteral("CP437 English with a few accents, Windows zip"), 101, "ibm-437",
         {u"Invoices/2019/Invoice 1042.pdf"_s, u"Invoices/2019/Invoice 1043.pdf"_s,
          u"Menus/Café Rouge - lunch menu.pdf"_s, u"Resumes/Résumé - John Smith.docx"_s,
          u"Resumes/Résumé - Chloë Adams.docx"_s, u"Photos/IMG_0001.JPG"_s, u"Photos/IMG_0002.JPG"_s,
          u"Notes on the naïve approach.txt"_s, u"Project plan v2.xlsx"_s, u"Piñata party invite.docx"_s}},
        {QStringLiteral("CP850, all ASCII but one umlaut"), 104, "ibm-850",
         {u"Angebote/Angebot 2020-03.pdf"_s, u"Angebote/Angebot Müller.pdf"_s, u"Angebote/Angebot Schmidt.pdf"_s,
          u"Vertrag final.docx"_s, u"IMG_4411.JPG"_s, u"Kalkulation.xlsx"_s}},
        {QStringLiteral("CP850, two short names"), 104, "ibm-850", {u"Grüße.txt"_s, u"Ärger.doc"_s}},
        {QStringLiteral("CP866 Russian, Windows zip"), 110, "ibm-866",
         {u"Документы/Отчёт за 2019 год.docx"_s, u"Документы/Смета на ремонт.xlsx"_s,
          u"Документы/Договор аренды №15.pdf"_s, u"Фото/Отпуск в Сочи/IMG_0451.JPG"_s,
          u"Фото/День рождения Маши/DSC01234.JPG"_s, u"Музыка/Любэ - Конь.mp3"_s, u"Резюме Иванов И.И.doc"_s,
          u"Презентация для совещания.pptx"_s, u"Список литературы.txt"_s,
          u"Курсовая работа - Экономика предприятия.docx"_s, u"Новая папка/Без названия.txt"_s,
          u"Счёт-фактура №123 от 05.03.2020.pdf"_s, u"Инструкция по установке.pdf"_s,
          u"ВАЖНО прочитать.txt"_s}},
        {QStringLiteral("CP866, one short name"), 110, "ibm-866", {u"Кот.jpg"_s}},
        {QStringLiteral("CP737 Greek, Windows zip"), 102, "ibm-737",
         {u"Έγγραφα/Αίτηση άδειας.docx"_s, u"Έγγραφα/Βεβαίωση εργασίας.pdf"_s,
          u"Φωτογραφίες/Διακοπές στη Νάξο/IMG_2231.JPG"_s, u"Φωτογραφίες/Γάμος Μαρίας/DSC_0100.JPG"_s,
          u"Τιμολόγιο Μαρτίου 2020.pdf"_s, u"Παρουσίαση έργου.pptx"_s,
          u"Βιογραφικό σημείωμα - Γιώργος Παπαδόπουλος.pdf"_s,
          u"Σημειώσεις μαθήματος/Μαθηματικά κεφάλαιο 3.pdf"_s, u"Συμβόλαιο ενοικίασης.pdf"_s,
          u"Προϋπολογισμός 2021.xlsx"_s, u"Μουσική/Ελληνικά τραγούδια.mp3"_s, u"Οδηγίες χρήσης.txt"_s}},
        {QStringLiteral("CP852 Polish, Windows zip"), 105, "ibm-852",
         {u"Dokumenty/Faktura za styczeń.pdf"_s, u"Zdjęcia/Wakacje nad morzem/IMG_0001.jpg"_s,
          u"Sprawozdanie końcowe.docx"_s, u"Umowa o pracę - Łukasz Wójcik.pdf"_s, u"Życiorys.docx"_s,
          u"Świadectwo pracy.pdf"_s, u"Ćwiczenia z matematyki.pdf"_s, u"Źródła.txt"_s,
          u"Oświadczenie.doc"_s, u"Zażółć gęślą jaźń.txt"_s}},
        {QStringLiteral("CP932 Japanese, Windows zip"), 112, "windows-31j",
         {u"写真/旅行 2018/IMG_0001.JPG"_s, u"写真/旅行 2018/IMG_0002.JPG"_s, u"写真/家族/お正月.jpg"_s,
          u"資料/会議資料_第3回.pptx"_s, u"資料/見積書（株式会社山田）.xlsx"_s, u"請求書 2020年4月分.pdf"_s,
          u"新しいフォルダー/メモ.txt"_s, u"履歴書_田中太郎.docx"_s, u"企画書 最終版.docx"_s,
          u"議事録 ①.docx"_s, u"音楽/さくら.mp3"_s, u"デジカメ/運動会/DSC_0123.JPG"_s,
          u"ダウンロード/説明書.pdf"_s, u"仕様書_v2.docx"_s, u"エクセル/売上集計表.xlsx"_s}},
        {QStringLiteral("CP936 Simplified Chinese, Windows zip"), 113, "GBK",
         {u"照片/2018年旅行/IMG_0001.JPG"_s, u"照片/2018年旅行/IMG_0002.JPG"_s, u"文档/工作总结报告.docx"_s,
          u"文档/项目计划书（最终版）.docx"_s, u"新建文件夹/说明.txt"_s, u"财务/2019年度预算表.xlsx"_s,
          u"合同/租房合同_张伟.pdf"_s, u"简历-李娜.pdf"_s, u"会议纪要 3月15日.docx"_s,
          u"课件/第一章 绪论.pptx"_s, u"音乐/周杰伦 - 晴天.mp3"_s, u"发票扫描件.pdf"_s,
          u"毕业论文定稿.doc"_s}},
        {QStringLiteral("CP949 Korean, Windows zip"), 114, "windows-949",
         {u"사진/2019 제주도 여행/IMG_0001.JPG"_s, u"사진/가족사진.jpg"_s, u"문서/회의록 3월.hwp"_s,
          u"문서/사업계획서 최종.docx"_s, u"견적서_홍길동.xlsx"_s, u"새 폴더/메모.txt"_s,
          u"이력서 및 자기소개서.docx"_s, u"음악/아이유 - 좋은 날.mp3"_s, u"과제/경제학 보고서.hwp"_s,
          u"계약서 사본.pdf"_s, u"졸업식 동영상.mp4"_s, u"똠방각하.txt"_s}},
        {QStringLiteral("CP950 Traditional Chinese, Windows zip"), 115, "windows-950",
         {u"照片/2019年旅遊/IMG_0001.JPG"_s, u"文件/工作報告.docx"_s, u"文件/專案計畫書（定稿）.docx"_s,
          u"新增資料夾/說明.txt"_s, u"財務/年度預算表.xlsx"_s, u"合約/租屋契約.pdf"_s,
          u"履歷表-陳小明.pdf"_s, u"會議記錄 5月.docx"_s, u"音樂/周杰倫 - 晴天.mp3"_s,
          u"講義/第一章 導論.pptx"_s, u"發票掃描.pdf"_s, u"畢業論文.doc"_s}},
        // Older archivers wrote the ANSI code page or the national standard.
        {QStringLiteral("CP1251 Russian, older tools"), 11, "windows-1251",
         {u"Отчеты/Годовой отчёт 2008.doc"_s, u"Отчеты/Квартальный отчет.xls"_s,
          u"Фотографии/Новый год/Снегурочка.jpg"_s, u"Фотографии/Дача.jpg"_s, u"Письмо директору.txt"_s,
          u"Приказ о назначении.doc"_s, u"Прайс-лист ООО Ромашка.xls"_s,
          u"Мои документы/Паспорт (скан).jpg"_s, u"Бухгалтерия/Акт сверки.doc"_s, u"Курсовая.doc"_s}},
        {QStringLiteral("CP1251 Ukrainian, older tools"), 11, "windows-1251",
         {u"Документи/Звіт за квітень.docx"_s, u"Фото/Київ/Хрещатик.jpg"_s, u"Заява на відпустку.doc"_s,
          u"Рахунок-фактура.pdf"_s, u"Їжа та напої.xlsx"_s, u"Лист подяки.doc"_s,
          u"Ґрунтові дороги.pdf"_s, u"Європейські стандарти.doc"_s}},
        {QStringLiteral("KOI8-R Russian, old Unix tar"), 150, "KOI8-R",
         {u"Книги/Толстой - Война и мир.txt"_s, u"Книги/Чехов - Рассказы.txt"_s,
          u"Почта/Письмо от Сергея.txt"_s, u"Заметки.txt"_s, u"Расписание занятий.txt"_s,
          u"Документация/Руководство пользователя.txt"_s}},
        {QStringLiteral("windows-1252 French, older tools"), 12, "windows-1252",
         {u"Réunion d’équipe.doc"_s, u"Congés été 2005.xls"_s, u"Lettre à Stéphane.doc"_s,
          u"Fiche de présence.xls"_s, u"Numéros utiles.txt"_s, u"Procès-verbal.doc"_s,
          u"Bilan économique – synthèse.doc"_s}},
        {QStringLiteral("Shift_JIS Japanese, older tools"), 8, "Shift_JIS",
         {u"ドキュメント/報告書.doc"_s, u"画像/桜の写真.jpg"_s, u"ゲーム/セーブデータ.dat"_s,
          u"readme_日本語.txt"_s, u"設定ファイル.ini"_s, u"マニュアル/インストール手順.txt"_s,
          u"東京駅周辺地図.pdf"_s}},
        {QStringLiteral("GB2312 Simplified Chinese, older tools"), 161, "GB2312",
         {u"软件/安装说明.txt"_s, u"游戏/存档.sav"_s, u"电子书/三国演义.txt"_s, u"电子书/红楼梦.txt"_s,
          u"下载/驱动程序.exe"_s, u"歌曲/月亮代表我的心.mp3"_s, u"学习资料/英语单词表.doc"_s}},
        {QStringLiteral("Big5 Traditional Chinese, older tools"), 170, "Big5",
         {u"軟體/安裝說明.txt"_s, u"遊戲/存檔.sav"_s, u"電子書/三國演義.txt"_s, u"電子書/紅樓夢.txt"_s,
          u"下載/驅動程式.exe"_s, u"歌曲/月亮代表我的心.mp3"_s, u"學習資料/英文單字表.doc"_s}},
        {QStringLiteral("ISO-2022-JP Japanese, mail attachments"), 21, "ISO-2022-JP",
         {u"議事録/定例会議 4月.txt"_s, u"見積書_最終.pdf"_s, u"写真/お花見.jpg"_s, u"ご案内.doc"_s,
          u"資料一覧.xls"_s}},
        {QStringLiteral("EUC-KR Korean, older tools"), 180, "EUC-KR",
         {u"자료/보고서.hwp"_s, u"노래/사랑해.mp3"_s, u"게임/세이브 파일.dat"_s, u"설치 방법.txt"_s,
          u"한글 문서.hwp"_s, u"학교/시간표.xls"_s}},
    };
}

} // namespace

const std::vector<KTNameSet> &kt_encodingCorpus()
{
    static const std::vector<KTNameSet> corpus = buildCorpus();
    return corpus;
}

QByteArray kt_encodeName(const QString &name, const QByteArray &icuName)
{
    return KTEncodings::encode(name, icuName).value_or(QByteArray());
}
