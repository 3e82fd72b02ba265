<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>KTAboutDialog</name>
    <message>
        <source>About KT Extractor</source>
        <translation>关于 KT Extractor</translation>
    </message>
    <message>
        <source>KT Extractor</source>
        <translation>KT Extractor</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>版本 %1</translation>
    </message>
    <message>
        <source>Licence: %1</source>
        <translation>许可证：%1</translation>
    </message>
    <message>
        <source>not installed</source>
        <translation>未安装</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Qt %1 · libarchive %2 · ICU %3 · 7-Zip %4</source>
        <translation>Qt %1 · libarchive %2 · ICU %3 · 7-Zip %4</translation>
    </message>
</context>
<context>
    <name>KTEncode</name>
    <message>
        <source>Detect automatically</source>
        <translation>自动检测</translation>
    </message>
</context>
<context>
    <name>KTEncodings</name>
    <message>
        <source>Unicode (UTF-8)</source>
        <translation>Unicode (UTF-8)</translation>
    </message>
    <message>
        <source>Western (ISO Latin 1)</source>
        <translation>西欧 (ISO Latin 1)</translation>
    </message>
    <message>
        <source>Western (Windows Latin 1)</source>
        <translation>西欧 (Windows Latin 1)</translation>
    </message>
    <message>
        <source>Western (Mac OS Roman)</source>
        <translation>西欧 (Mac OS Roman)</translation>
    </message>
    <message>
        <source>Latin-US (DOS, CP437)</source>
        <translation>美国拉丁 (DOS, CP437)</translation>
    </message>
    <message>
        <source>Western European (DOS, CP850)</source>
        <translation>西欧 (DOS, CP850)</translation>
    </message>
    <message>
        <source>Portuguese (DOS, CP860)</source>
        <translation>葡萄牙语 (DOS, CP860)</translation>
    </message>
    <message>
        <source>Central European (ISO Latin 2)</source>
        <translation>中欧 (ISO Latin 2)</translation>
    </message>
    <message>
        <source>Central European (Windows Latin 2)</source>
        <translation>中欧 (Windows Latin 2)</translation>
    </message>
    <message>
        <source>Central European (DOS, CP852)</source>
        <translation>中欧 (DOS, CP852)</translation>
    </message>
    <message>
        <source>Western (ISO Latin 3)</source>
        <translation>西欧 (ISO Latin 3)</translation>
    </message>
    <message>
        <source>Central European (ISO Latin 4)</source>
        <translation>中欧 (ISO Latin 4)</translation>
    </message>
    <message>
        <source>Cyrillic (ISO 8859-5)</source>
        <translation>西里尔文 (ISO 8859-5)</translation>
    </message>
    <message>
        <source>Cyrillic (Windows)</source>
        <translation>西里尔文 (Windows)</translation>
    </message>
    <message>
        <source>Cyrillic (DOS, CP866)</source>
        <translation>西里尔文 (DOS, CP866)</translation>
    </message>
    <message>
        <source>Cyrillic (DOS, CP855)</source>
        <translation>西里尔文 (DOS, CP855)</translation>
    </message>
    <message>
        <source>Cyrillic (KOI8-R)</source>
        <translation>西里尔文 (KOI8-R)</translation>
    </message>
    <message>
        <source>Ukrainian (KOI8-U)</source>
        <translation>乌克兰文 (KOI8-U)</translation>
    </message>
    <message>
        <source>Cyrillic (Mac OS)</source>
        <translation>西里尔文 (Mac OS)</translation>
    </message>
    <message>
        <source>Arabic (ISO 8859-6)</source>
        <translation>阿拉伯文 (ISO 8859-6)</translation>
    </message>
    <message>
        <source>Arabic (Windows)</source>
        <translation>阿拉伯文 (Windows)</translation>
    </message>
    <message>
        <source>Greek (ISO 8859-7)</source>
        <translation>希腊文 (ISO 8859-7)</translation>
    </message>
    <message>
        <source>Greek (Windows)</source>
        <translation>希腊文 (Windows)</translation>
    </message>
    <message>
        <source>Greek (DOS, CP737)</source>
        <translation>希腊文 (DOS, CP737)</translation>
    </message>
    <message>
        <source>Hebrew (ISO 8859-8)</source>
        <translation>希伯来文 (ISO 8859-8)</translation>
    </message>
    <message>
        <source>Hebrew (Windows)</source>
        <translation>希伯来文 (Windows)</translation>
    </message>
    <message>
        <source>Hebrew (DOS, CP862)</source>
        <translation>希伯来文 (DOS, CP862)</translation>
    </message>
    <message>
        <source>Turkish (ISO Latin 5)</source>
        <translation>土耳其文 (ISO Latin 5)</translation>
    </message>
    <message>
        <source>Turkish (Windows Latin 5)</source>
        <translation>土耳其文 (Windows Latin 5)</translation>
    </message>
    <message>
        <source>Turkish (DOS, CP857)</source>
        <translation>土耳其文 (DOS, CP857)</translation>
    </message>
    <message>
        <source>Nordic (ISO Latin 6)</source>
        <translation>北欧 (ISO Latin 6)</translation>
    </message>
    <message>
        <source>Thai (ISO 8859-11)</source>
        <translation>泰文 (ISO 8859-11)</translation>
    </message>
    <message>
        <source>Thai (Windows, CP874)</source>
        <translation>泰文 (Windows, CP874)</translation>
    </message>
    <message>
        <source>Baltic (ISO Latin 7)</source>
        <translation>波罗的海 (ISO Latin 7)</translation>
    </message>
    <message>
        <source>Baltic (Windows)</source>
        <translation>波罗的海 (Windows)</translation>
    </message>
    <message>
        <source>Baltic (DOS, CP775)</source>
        <translation>波罗的海 (DOS, CP775)</translation>
    </message>
    <message>
        <source>Celtic (ISO Latin 8)</source>
        <translation>凯尔特 (ISO Latin 8)</translation>
    </message>
    <message>
        <source>Western (ISO Latin 9)</source>
        <translation>西欧 (ISO Latin 9)</translation>
    </message>
    <message>
        <source>Vietnamese (Windows)</source>
        <translation>越南文 (Windows)</translation>
    </message>
    <message>
        <source>Japanese (Shift JIS)</source>
        <translation>日文 (Shift JIS)</translation>
    </message>
    <message>
        <source>Japanese (Windows, CP932)</source>
        <translation>日文 (Windows, CP932)</translation>
    </message>
    <message>
        <source>Japanese (EUC)</source>
        <translation>日文 (EUC)</translation>
    </message>
    <message>
        <source>Japanese (ISO 2022-JP)</source>
        <translation>日文 (ISO 2022-JP)</translation>
    </message>
    <message>
        <source>Chinese Simplified (GBK, CP936)</source>
        <translation>简体中文 (GBK, CP936)</translation>
    </message>
    <message>
        <source>Chinese Simplified (GB 18030)</source>
        <translation>简体中文 (GB 18030)</translation>
    </message>
    <message>
        <source>Chinese Simplified (GB 2312)</source>
        <translation>简体中文 (GB 2312)</translation>
    </message>
    <message>
        <source>Chinese Traditional (Big 5)</source>
        <translation>繁体中文 (Big 5)</translation>
    </message>
    <message>
        <source>Chinese Traditional (Windows, CP950)</source>
        <translation>繁体中文 (Windows, CP950)</translation>
    </message>
    <message>
        <source>Chinese Traditional (Big 5 HKSCS)</source>
        <translation>繁体中文 (Big 5 HKSCS)</translation>
    </message>
    <message>
        <source>Korean (EUC)</source>
        <translation>韩文 (EUC)</translation>
    </message>
    <message>
        <source>Korean (Windows, CP949)</source>
        <translation>韩文 (Windows, CP949)</translation>
    </message>
</context>
<context>
    <name>KTExtractionError</name>
    <message>
        <source>The archive cannot be read</source>
        <translation>无法读取压缩包</translation>
    </message>
    <message>
        <source>Not an archive or an unsupported format</source>
        <translation>不是压缩包，或格式不受支持</translation>
    </message>
    <message>
        <source>The archive is damaged</source>
        <translation>压缩包已损坏</translation>
    </message>
    <message>
        <source>Wrong or missing password</source>
        <translation>密码错误或未提供密码</translation>
    </message>
    <message>
        <source>The archive is encrypted with a method that is not supported</source>
        <translation>压缩包使用了不受支持的加密方式</translation>
    </message>
    <message>
        <source>No space left on the disk</source>
        <translation>磁盘空间不足</translation>
    </message>
    <message>
        <source>The extracted files cannot be written</source>
        <translation>无法写入解压出的文件</translation>
    </message>
    <message>
        <source>The archive holds an unsafe entry</source>
        <translation>压缩包中含有不安全的条目</translation>
    </message>
    <message>
        <source>The folder to extract into cannot be written</source>
        <translation>无法写入解压目标文件夹</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>已取消</translation>
    </message>
    <message>
        <source>A program needed for this archive is not installed</source>
        <translation>未安装处理此压缩包所需的程序</translation>
    </message>
    <message>
        <source>The archive holds a device, FIFO or socket</source>
        <translation>压缩包中含有设备、FIFO 或套接字</translation>
    </message>
</context>
<context>
    <name>KTFileTreeModel</name>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>修改日期</translation>
    </message>
</context>
<context>
    <name>KTOpenWithDialog</name>
    <message>
        <source>Open With</source>
        <translation>打开方式</translation>
    </message>
    <message>
        <source>Choose an application to open “%1” (%2):</source>
        <translation>选择用于打开“%1”（%2）的应用程序：</translation>
    </message>
    <message>
        <source>No application on this computer says it opens this kind of file.</source>
        <translation>此计算机上没有应用程序声明可以打开此类文件。</translation>
    </message>
</context>
<context>
    <name>KTPasswordDialog</name>
    <message>
        <source>Password Required</source>
        <translation>需要密码</translation>
    </message>
    <message>
        <source>This archive is protected by a password.</source>
        <translation>此压缩包受密码保护。</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>显示密码</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>“%1” is protected by a password.</source>
        <translation>“%1”受密码保护。</translation>
    </message>
</context>
<context>
    <name>KTSevenZipUnarchiver</name>
    <message>
        <source>install the 7zip package to open encrypted 7z archives</source>
        <translation>请安装 7zip 软件包以打开加密的 7z 压缩包</translation>
    </message>
</context>
<context>
    <name>KTUnarchiveResultViewController</name>
    <message>
        <source>Extract Another Archive</source>
        <translation>解压另一个压缩包</translation>
    </message>
    <message>
        <source>Back to the first screen (Backspace)</source>
        <translation>返回第一个界面（退格键）</translation>
    </message>
    <message>
        <source>Save a Copy…</source>
        <translation>存储副本…</translation>
    </message>
    <message>
        <source>Save a copy of the selected entry, or of everything (Ctrl+S)</source>
        <translation>存储所选项目或全部内容的副本 (Ctrl+S)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Open the selected entry, or the extracted folder (Enter)</source>
        <translation>打开所选项目或解压出的文件夹 (Enter)</translation>
    </message>
    <message>
        <source>Mail…</source>
        <translation>邮件发送…</translation>
    </message>
    <message>
        <source>Save a Copy</source>
        <translation>存储副本</translation>
    </message>
    <message>
        <source>The copy could not be saved as “%1”.</source>
        <translation>无法将副本存储为“%1”。</translation>
    </message>
    <message>
        <source>The folder could not be packed for mailing.</source>
        <translation>无法打包文件夹以便邮件发送。</translation>
    </message>
    <message>
        <source>The mail client could not be reached.</source>
        <translation>无法联系邮件客户端。</translation>
    </message>
    <message>
        <source>The program xdg-email, which hands files to the mail client, is missing. It comes with the package xdg-utils.</source>
        <translation>缺少将文件交给邮件客户端的程序 xdg-email。它包含在 xdg-utils 软件包中。</translation>
    </message>
    <message>
        <source>No mail client is set up on this computer.</source>
        <translation>此电脑上未设置邮件客户端。</translation>
    </message>
    <message>
        <source>Choose a default mail client in your desktop&apos;s settings, then try again.</source>
        <translation>请在桌面设置中选择默认邮件客户端，然后重试。</translation>
    </message>
    <message>
        <source>The mail client could not take the file.</source>
        <translation>邮件客户端无法接收该文件。</translation>
    </message>
    <message>
        <source>A folder cannot be copied into itself, and nothing can replace the folder it comes from.</source>
        <translation>文件夹不能复制到其自身之中，也不能替换其来源文件夹。</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>Incomplete: only what was read before the damage.</source>
        <translation>不完整：只有损坏之前读出的内容。</translation>
    </message>
    <message>
        <source>Reading the names again failed; this is the first result.</source>
        <translation>重新读取名称失败；这是第一次的结果。</translation>
    </message>
    <message>
        <source>Some names were not valid UTF-8.</source>
        <translation>部分名称不是有效的 UTF-8。</translation>
    </message>
    <message>
        <source>They were read as UTF-8, the encoding chosen; detection may read them.</source>
        <translation>它们按所选编码 UTF-8 读取；自动检测也许能正确读取。</translation>
    </message>
    <message>
        <source>Read Names Again with Detection</source>
        <translation>使用自动检测重新读取名称</translation>
    </message>
    <message>
        <source>Open With…</source>
        <translation>打开方式…</translation>
    </message>
    <message>
        <source>Show in Folder</source>
        <translation>在文件夹中显示</translation>
    </message>
    <message>
        <source>In the temporary folder: the system may remove it. Save a copy to keep it.</source>
        <translation>位于临时文件夹中：系统可能会删除它。请保存副本以便保留。</translation>
    </message>
    <message>
        <source>“%1” is a program. Opening it may run it.</source>
        <translation>“%1”是一个程序。打开它可能会运行它。</translation>
    </message>
    <message>
        <source>Open it only if you trust where the archive came from.</source>
        <translation>仅当您信任该压缩包的来源时才打开它。</translation>
    </message>
    <message>
        <source>No application is set up to open “%1”.</source>
        <translation>没有设置可打开“%1”的应用程序。</translation>
    </message>
    <message>
        <source>The program xdg-open, which hands files to their applications, is missing. It comes with the package xdg-utils.</source>
        <translation>缺少将文件交给对应应用程序的程序 xdg-open。它包含在 xdg-utils 软件包中。</translation>
    </message>
    <message>
        <source>Choose an application for it, or show it in its folder.</source>
        <translation>请为其选择应用程序，或在其所在文件夹中显示。</translation>
    </message>
    <message>
        <source>“%1” could not be started.</source>
        <translation>无法启动“%1”。</translation>
    </message>
    <message>
        <source>No file manager could show “%1”.</source>
        <translation>没有文件管理器能显示“%1”。</translation>
    </message>
</context>
<context>
    <name>KTUnarchiveViewController</name>
    <message>
        <source>Filename encoding:</source>
        <translation>文件名编码：</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>联系我们</translation>
    </message>
    <message>
        <source>Open the project&apos;s home page</source>
        <translation>打开项目主页</translation>
    </message>
    <message>
        <source>Drop an archive here to extract it</source>
        <translation>将压缩包拖放到此处即可解压</translation>
    </message>
    <message>
        <source>Drop an archive here</source>
        <translation>将压缩包拖放到此处</translation>
    </message>
    <message>
        <source>Drop an archive on this area, or press Enter or Space to choose one in a file dialog.</source>
        <translation>将压缩包拖放到此区域，或按回车键或空格键在文件对话框中选择。</translation>
    </message>
    <message>
        <source>Choose an Archive…</source>
        <translation>选择压缩包…</translation>
    </message>
    <message>
        <source>Extract error or password error, try again!</source>
        <translation>解压出错或密码错误，请重试！</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Stop extracting (Esc)</source>
        <translation>停止解压（Esc）</translation>
    </message>
    <message>
        <source>Extracting...</source>
        <translation>正在解压…</translation>
    </message>
    <message>
        <source>No web browser is set up to open the home page.</source>
        <translation>没有设置可打开主页的网页浏览器。</translation>
    </message>
</context>
<context>
    <name>KTArchiveChooser</name>
    <message>
        <source>Archives (%1)</source>
        <translation>压缩包 (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>Choose an Archive</source>
        <translation>选择压缩包</translation>
    </message>
    <message>
        <source>Extract “%1” To</source>
        <translation>将“%1”解压到</translation>
    </message>
    <message>
        <source>Extract</source>
        <translation>解压</translation>
    </message>
</context>
<context>
    <name>KTFailureNotice</name>
    <message>
        <source>Try Again</source>
        <translation>重试</translation>
    </message>
    <message>
        <source>Show What Was Extracted</source>
        <translation>显示已解压的内容</translation>
    </message>
    <message>
        <source>Extract error or password error, try again!</source>
        <translation>解压出错或密码错误，请重试！</translation>
    </message>
</context>
<context>
    <name>KTWindowController</name>
    <message>
        <source>KT Extractor</source>
        <translation>KT Extractor</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Open Archive…</source>
        <translation>打开压缩包(&amp;O)…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>退出(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;Contact</source>
        <translation>联系我们(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;About KT Extractor</source>
        <translation>关于 KT Extractor(&amp;A)</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Extracts an archive and shows what came out.</source>
        <translation>解压压缩包并显示其中的内容。</translation>
    </message>
    <message>
        <source>Ask for the folder to extract ARCHIVE into.</source>
        <translation>先询问要将 ARCHIVE 解压到哪个文件夹。</translation>
    </message>
    <message>
        <source>The archive to extract.</source>
        <translation>要解压的压缩包。</translation>
    </message>
</context>
<context>
    <name>KTSkippedEntries</name>
    <message>
        <source>%1 entries were not extracted: they would have written outside the folder or are special files</source>
        <translation>%1 个条目未解压：它们会写到文件夹之外，或是特殊文件</translation>
    </message>
    <message>
        <source>1 entry was not extracted: it is a device, FIFO or socket</source>
        <translation>1 个条目未解压：它是设备、FIFO 或套接字</translation>
    </message>
    <message>
        <source>%1 entries were not extracted: they are devices, FIFOs or sockets</source>
        <translation>%1 个条目未解压：它们是设备、FIFO 或套接字</translation>
    </message>
    <message>
        <source>1 entry was not extracted: it would have written outside the folder</source>
        <translation>1 个条目未解压：它会写到文件夹之外</translation>
    </message>
    <message>
        <source>%1 entries were not extracted: they would have written outside the folder</source>
        <translation>%1 个条目未解压：它们会写到文件夹之外</translation>
    </message>
    <message>
        <source>… and %1 more</source>
        <translation>… 另有 %1 个</translation>
    </message>
</context>
<context>
    <name>KTProgressLine</name>
    <message>
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>%1% — %2</source>
        <translation>%1% — %2</translation>
    </message>
    <message numerus="yes">
        <source>%n s left</source>
        <translation>
            <numerusform>剩余 %n 秒</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n min left</source>
        <translation>
            <numerusform>剩余 %n 分钟</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 h %2 min left</source>
        <translation>剩余 %1 小时 %2 分钟</translation>
    </message>
</context>
<context>
    <name>KTAccessibleProgressIndicator</name>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
</context>
</TS>
