<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>TFrameForm</name>
    <message>
        <source>ファイル %1 は開けません</source>
        <translation>Cannot open the file %1</translation>
    </message>
    <message>
        <source>ファイル %1 を作成できません</source>
        <translation>Cannot create the file %1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; は整数ではありません</source>
        <translation>&apos;%1&apos; is not a whole number</translation>
    </message>
    <message>
        <source> を足す事は出来ません。</source>
        <translation> cannot be added.</translation>
    </message>
    <message>
        <source> を引く事は出来ません。</source>
        <translation> cannot be subtracted.</translation>
    </message>
    <message>
        <source> を掛ける事は出来ません。</source>
        <translation> cannot be used as a factor.</translation>
    </message>
    <message>
        <source> で割る事は出来ません。</source>
        <translation> cannot be used as a divisor.</translation>
    </message>
    <message>
        <source>32 bit 頻度テーブル (*.frq);;*.* (*)</source>
        <translation>32-bit frequency table (*.frq);;*.* (*)</translation>
    </message>
    <message>
        <source> は保存出来ません。拡張子を .png か .svg にしてください。</source>
        <translation> cannot be saved. Give it the extension .png or .svg.</translation>
    </message>
    <message>
        <source>Quorvant の二重起動を可能とします。<byte value="xd"/>
以後、複数の Quorvant の起動が可能となります。</source>
        <translation>Quorvant may now run more than once.<byte value="xd"/>
From now on, several copies of Quorvant can be started.</translation>
    </message>
    <message>
        <source>Quorvant の二重起動を不可能とします。<byte value="xd"/>
以後、Quorvant を起動するごとに直前に起動した<byte value="xd"/>
Quorvant を終了します。</source>
        <translation>Quorvant may no longer run more than once.<byte value="xd"/>
From now on, each start of Quorvant ends the copy<byte value="xd"/>
started before it.</translation>
    </message>
    <message>
        <source>棒幅 :</source>
        <translation>Bar :</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>グラフ</source>
        <translation>Graph</translation>
    </message>
    <message>
        <source>データ順</source>
        <translation>By data</translation>
    </message>
    <message>
        <source>頻度順</source>
        <translation>By freq.</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>View</translation>
    </message>
    <message>
        <source>ハフマン分布</source>
        <translation>Distribution</translation>
    </message>
    <message>
        <source>ハフマン配列</source>
        <translation>Arrays</translation>
    </message>
    <message>
        <source>頻度テーブル</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>この Data の区間内に頻度 0 が出現しない様に Frequency を調節します。</source>
        <translation>Adjusts the frequencies so that no Data in this range has frequency 0.</translation>
    </message>
    <message>
        <source>元に</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>ファイルを開いた直後の状態に戻します。</source>
        <translation>Returns to the state just after the file was opened.</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Build</translation>
    </message>
    <message>
        <source>正規分布</source>
        <translation>Normal curve</translation>
    </message>
    <message>
        <source>平均 :</source>
        <translation>Mean:</translation>
    </message>
    <message>
        <source>分散 :</source>
        <translation>Var.:</translation>
    </message>
    <message>
        <source>最大 :</source>
        <translation>Peak:</translation>
    </message>
    <message>
        <source>描画</source>
        <translation>Draw</translation>
    </message>
    <message>
        <source>クリア</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>適合</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>表示中の正規分布をアレンジします。</source>
        <translation>Rearranges the normal curve shown.</translation>
    </message>
    <message>
        <source>データビット</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source> 8 bit(通常)</source>
        <translation> 8 bit(bytes)</translation>
    </message>
    <message>
        <source>32 bit(拡張)</source>
        <translation>32 bit(table)</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報(&amp;A)</source>
        <translation>A&amp;bout</translation>
    </message>
    <message>
        <source>二重起動を許す(&amp;X)</source>
        <translation>Allow &amp;multiple instances</translation>
    </message>
    <message>
        <source>全て選択(&amp;A)</source>
        <translation>Select &amp;all</translation>
    </message>
    <message>
        <source>初期状態に戻す(&amp;Q)</source>
        <translation>Restore &amp;defaults</translation>
    </message>
    <message>
        <source>C 配列をコピー(&amp;C)</source>
        <translation>&amp;Copy C arrays</translation>
    </message>
    <message>
        <source>頻度テーブルを保存(&amp;S)...</source>
        <translation>&amp;Save frequency table...</translation>
    </message>
    <message>
        <source>グラフを保存(&amp;G)...</source>
        <translation>Save &amp;graph...</translation>
    </message>
    <message>
        <source>Quorvant を初期状態に戻します。</source>
        <translation>Quorvant goes back to its initial settings.</translation>
    </message>
    <message>
        <source>%1。このファイルには設定を保存しません。</source>
        <translation>%1. The settings will not be saved to this file.</translation>
    </message>
    <message>
        <source>ファイルを読んでいます…</source>
        <translation>Reading the file…</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 は見つかりません。</source>
        <translation>%1 cannot be found.</translation>
    </message>
    <message>
        <source>サイズが 0 のファイルは表示出来ません。</source>
        <translation>A file of size 0 cannot be shown.</translation>
    </message>
    <message>
        <source>%1 は大きすぎて表示出来ません。</source>
        <translation>%1 is too large to be shown.</translation>
    </message>
    <message>
        <source><byte value="xd"/>
ファイル %1<byte value="xd"/>
<byte value="xd"/>
に含まれるデータは 32 bit の拡張データとして扱えない特性<byte value="xd"/>
<byte value="xd"/>
を持っていますので、8 bit の通常データとして扱います。<byte value="xd"/>
</source>
        <translation><byte value="xd"/>
The data in the file %1<byte value="xd"/>
<byte value="xd"/>
cannot be taken as 32-bit extended data,<byte value="xd"/>
<byte value="xd"/>
so they are read as 8-bit normal data.<byte value="xd"/>
</translation>
    </message>
    <message>
        <source> は頻度の上限 1048576 を超えるので適合出来ません。</source>
        <translation> exceeds the frequency limit 1048576 and cannot be fitted.</translation>
    </message>
    <message>
        <source> ・・・ ハフマン符号を作成しています。</source>
        <translation> ... building the Huffman code.</translation>
    </message>
    <message>
        <source> は指定出来ません。</source>
        <translation> cannot be used here.</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>やり直し(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>最近使ったファイル(&amp;F)</source>
        <translation>Recent &amp;files</translation>
    </message>
    <message>
        <source>符号長の上限(&amp;L)</source>
        <translation>Code length &amp;limit</translation>
    </message>
    <message>
        <source>最適な符号(&amp;O)</source>
        <translation>&amp;Optimal code</translation>
    </message>
    <message>
        <source>他のファイルで評価(&amp;E)...</source>
        <translation>&amp;Evaluate on other files...</translation>
    </message>
    <message>
        <source>%1 は読み込みの途中で変更されたので表示出来ません。</source>
        <translation>%1 changed while it was read and cannot be shown.</translation>
    </message>
</context>
</TS>
