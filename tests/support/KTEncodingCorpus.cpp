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
        // Scripts beyond the Western and East Asian pages.
        {QStringLiteral("windows-874 Thai, Windows zip"), 111, "windows-874",
         {u"เอกสาร/รายงานประจำปี 2562.docx"_s, u"รูปภาพ/เที่ยวเชียงใหม่/IMG_0012.JPG"_s,
          u"ใบเสนอราคา_บริษัท.xlsx"_s, u"สัญญาเช่า.pdf"_s, u"เพลง/ลาวดวงเดือน.mp3"_s,
          u"การบ้าน คณิตศาสตร์.pdf"_s, u"ประวัติส่วนตัว.doc"_s, u"โฟลเดอร์ใหม่/บันทึก.txt"_s}},
        {QStringLiteral("windows-874 Thai, one short name"), 111, "windows-874", {u"สรุป.doc"_s}},
        {QStringLiteral("CP862 Hebrew, DOS zip"), 109, "ibm-862",
         {u"מסמכים/דוח שנתי 2019.doc"_s, u"תמונות/טיול לאילת/IMG_0100.JPG"_s, u"חשבונית מס.pdf"_s,
          u"קורות חיים - דוד כהן.doc"_s, u"מכתב לבנק.txt"_s, u"שירים/הבית של פיסטוק.mp3"_s,
          u"תיקייה חדשה/הערות.txt"_s}},
        {QStringLiteral("windows-1255 Hebrew, older tools"), 120, "windows-1255",
         {u"מצגת פרויקט.pptx"_s, u"הזמנה לחתונה.docx"_s, u"סיכום ישיבה 12.3.doc"_s,
          u"תמונות/יום הולדת/DSC_0042.JPG"_s, u"טבלת תקציב.xlsx"_s, u"חוזה שכירות.pdf"_s}},
        {QStringLiteral("windows-1256 Arabic, older tools"), 121, "windows-1256",
         {u"المستندات/تقرير سنوي 2020.docx"_s, u"الصور/رحلة إلى القاهرة/IMG_0033.JPG"_s,
          u"فاتورة الكهرباء.pdf"_s, u"السيرة الذاتية - محمد أحمد.doc"_s, u"عرض تقديمي.pptx"_s,
          u"ملاحظات.txt"_s, u"مجلد جديد/قائمة الأسعار.xlsx"_s}},
        {QStringLiteral("windows-1256 Arabic, one short name"), 121, "windows-1256", {u"تقرير.doc"_s}},
        {QStringLiteral("windows-1254 Turkish, older tools"), 14, "windows-1254",
         {u"Fotoğraflar/İstanbul/IMG_0001.JPG"_s, u"Belgeler/Şirket raporu 2019.docx"_s,
          u"Özgeçmiş - Ayşe Yılmaz.pdf"_s, u"Fatura Ağustos.pdf"_s, u"Müşteri listesi.xlsx"_s,
          u"Sunum - Çalışma planı.pptx"_s, u"Yeni klasör/Notlar.txt"_s, u"Kira sözleşmesi.doc"_s}},
        {QStringLiteral("CP857 Turkish, Windows zip"), 107, "ibm-857",
         {u"Fotoğraflar/İstanbul/DSC_0100.JPG"_s, u"Ödevler/Tarih ödevi.doc"_s, u"Doğum günü davetiyesi.docx"_s,
          u"Şarkılar/Barış Manço - Gülpembe.mp3"_s, u"Çalışma takvimi.xlsx"_s, u"Iğdır gezisi.txt"_s}},
        {QStringLiteral("windows-1257 Lithuanian, older tools"), 122, "windows-1257",
         {u"Dokumentai/Metinė ataskaita.docx"_s, u"Nuotraukos/Atostogos prie jūros/IMG_0200.JPG"_s,
          u"Sąskaita faktūra.pdf"_s, u"Gyvenimo aprašymas - Jonas Kazlauskas.pdf"_s,
          u"Sutartis dėl nuomos.doc"_s, u"Užrašai.txt"_s, u"Mokesčių deklaracija.pdf"_s}},
        {QStringLiteral("windows-1257 Latvian, older tools"), 122, "windows-1257",
         {u"Dokumenti/Gada pārskats.docx"_s, u"Rēķins par elektrību.pdf"_s, u"Fotogrāfijas/Jūrmala/IMG_0300.JPG"_s,
          u"Līgums ar īrnieku.doc"_s, u"Piezīmes.txt"_s, u"Ceļojuma plāns.xlsx"_s}},
        {QStringLiteral("Mac OS Roman, old Mac zip"), 30, "macintosh",
         {u"Café de Flore.jpg"_s, u"Documents/Résumé.doc"_s, u"Photos/Été à Paris/IMG_0001.JPG"_s,
          u"Grüße an Jürgen.txt"_s, u"Präsentation.key"_s, u"Recettes/Crème brûlée.pages"_s, u"Übersicht.numbers"_s}},
        {QStringLiteral("ISO-8859-1 German, old Unix tar"), 5, "ISO-8859-1",
         {u"Grüße.txt"_s, u"Briefe/An Frau Müller.txt"_s, u"Übungen/Aufgabe 1.tex"_s,
          u"Straße und Hausnummer.txt"_s, u"Änderungen.diff"_s, u"Bücher/Goethe - Faust.txt"_s}},
        {QStringLiteral("ISO-8859-15 French, old Unix tar"), 141, "ISO-8859-15",
         {u"Œuvres complètes/Tome 1.txt"_s, u"Cœur de pirate.mp3"_s, u"Sœur Thérèse.txt"_s,
          u"Manœuvres d'été.doc"_s, u"Vœux de Noël.txt"_s}},
        {QStringLiteral("windows-1250 Czech, older tools"), 15, "windows-1250",
         {u"Dokumenty/Výroční zpráva 2019.docx"_s, u"Fotky/Dovolená v Chorvatsku/IMG_0300.JPG"_s,
          u"Faktura - Novák s.r.o.pdf"_s, u"Životopis.doc"_s, u"Přihláška.pdf"_s,
          u"Účetnictví/Přehled nákladů.xlsx"_s, u"Smlouva o dílo.doc"_s, u"Poznámky ze schůzky.txt"_s}},
        {QStringLiteral("windows-1250 Hungarian, older tools"), 15, "windows-1250",
         {u"Számlák/Villanyszámla október.pdf"_s, u"Fényképek/Balaton nyaralás/IMG_0010.JPG"_s,
          u"Önéletrajz - Kovács Péter.docx"_s, u"Üzleti terv.xlsx"_s, u"Jegyzőkönyv.doc"_s, u"Ünnepi műsor.pptx"_s}},
        {QStringLiteral("ISO-8859-2 Polish, old Unix tar"), 9, "ISO-8859-2",
         {u"Dokumenty/Wniosek o urlop.pdf"_s, u"Zdjęcia/Święta/IMG_1.jpg"_s, u"Ćwiczenia.txt"_s,
          u"Źródło.txt"_s, u"Sprawozdanie z działalności.doc"_s, u"Łódź - plan miasta.pdf"_s}},
        {QStringLiteral("windows-1253 Greek, older tools"), 13, "windows-1253",
         {u"Έγγραφα/Αναφορά πωλήσεων.docx"_s, u"Φωτογραφίες/Καλοκαίρι 2018/IMG_0500.JPG"_s,
          u"Τιμολόγιο ρεύματος.pdf"_s, u"Σημειώσεις.txt"_s, u"Βιογραφικό.doc"_s, u"Παρουσίαση.pptx"_s}},
        {QStringLiteral("KOI8-U Ukrainian, old Unix tar"), 151, "KOI8-U",
         {u"Документи/Звіт за рік.txt"_s, u"Фото/Київ/Хрещатик.jpg"_s, u"Ґрунтові дороги.txt"_s,
          u"Європейські новини.txt"_s, u"Їжа та напої.txt"_s}},
        {QStringLiteral("CP866, one short name with ё"), 110, "ibm-866", {u"Отчёт.doc"_s}},
        {QStringLiteral("windows-1251, one legacy name among 25 ASCII names"), 11, "windows-1251",
         {u"report-01.txt"_s, u"report-02.txt"_s, u"report-03.txt"_s, u"report-04.txt"_s, u"report-05.txt"_s,
          u"data/table_01.csv"_s, u"data/table_02.csv"_s, u"data/table_03.csv"_s, u"data/table_04.csv"_s,
          u"data/table_05.csv"_s, u"img/photo_001.jpg"_s, u"img/photo_002.jpg"_s, u"img/photo_003.jpg"_s,
          u"img/photo_004.jpg"_s, u"img/photo_005.jpg"_s, u"src/main.c"_s, u"src/util.c"_s, u"src/util.h"_s,
          u"Makefile"_s, u"README"_s, u"LICENSE"_s, u"notes.md"_s, u"backup/old.zip"_s, u"backup/older.zip"_s,
          u"index.html"_s, u"Приложение к договору.docx"_s}},
        {QStringLiteral("EUC-JP Japanese, old Unix tar"), 3, "EUC-JP",
         {u"文書/報告書.txt"_s, u"写真/京都旅行.jpg"_s, u"設定ファイル.conf"_s, u"メモ/買い物リスト.txt"_s,
          u"日本語のファイル名.txt"_s}},
        {QStringLiteral("NFD UTF-8 without the flag, Mac zip"), 4, "UTF-8",
         {u"Cafe\u0301/Re\u0301sume\u0301.doc"_s, u"Gru\u0308\u00DFe.txt"_s, u"U\u0308bersicht.numbers"_s,
          u"Photos/E\u0301te\u0301.jpg"_s}},
    };
}

} // namespace

const std::vector<KTNameSet> &kt_encodingCorpus()
{
    static const std::vector<KTNameSet> corpus = buildCorpus();
    return corpus;
}

QString kt_scriptOf(int encoding)
{
    switch (encoding) {
    case 111: case 138: return QStringLiteral("Thai");
    case 109: case 120: case 135: return QStringLiteral("Hebrew");
    case 121: case 133: return QStringLiteral("Arabic");
    case 14: case 107: case 136: return QStringLiteral("Turkish");
    case 122: case 139: case 103: return QStringLiteral("Baltic");
    case 15: case 9: case 105: return QStringLiteral("Central European");
    case 13: case 134: case 102: return QStringLiteral("Greek");
    case 11: case 110: case 150: case 151: case 132: return QStringLiteral("Cyrillic");
    case 112: case 8: case 3: case 21: return QStringLiteral("Japanese");
    case 113: case 161: case 115: case 170: return QStringLiteral("Chinese");
    case 114: case 180: return QStringLiteral("Korean");
    case 4: return QStringLiteral("UTF-8");
    default: return QStringLiteral("Western");
    }
}

QByteArray kt_encodeName(const QString &name, const QByteArray &icuName)
{
    return KTEncodings::encode(name, icuName).value_or(QByteArray());
}
