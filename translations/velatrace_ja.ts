<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name>Command</name>
    <message>
        <source>&amp;Open...	Ctrl+O</source>
        <translation>開く(&amp;O)...	Ctrl+O</translation>
    </message>
    <message>
        <source>Open an existing document</source>
        <translation>既存のドキュメントを開きます</translation>
    </message>
    <message>
        <source>Open(Ctrl+O)</source>
        <translation>開く(Ctrl+O)</translation>
    </message>
    <message>
        <source>C&amp;lose	Ctrl+C</source>
        <translation>閉じる(&amp;L)	Ctrl+C</translation>
    </message>
    <message>
        <source>Close the active document</source>
        <translation>アクティブなドキュメントを閉じます</translation>
    </message>
    <message>
        <source>Close(Ctrl+L)</source>
        <translation>閉じる(Ctrl+L)</translation>
    </message>
    <message>
        <source>&amp;Capture setting...</source>
        <translation>キャプチャ設定(&amp;C)...</translation>
    </message>
    <message>
        <source>Set capture file</source>
        <translation>キャプチャファイルを設定します</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>Quit the application; prompts to save documents</source>
        <translation>アプリケーションを終了します。ドキュメントの保存を確認します</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>&amp;File Bar</source>
        <translation>ファイルバー(&amp;F)</translation>
    </message>
    <message>
        <source>Show or hide the file bar</source>
        <translation>ファイルバーの表示と非表示を切り替えます</translation>
    </message>
    <message>
        <source>&amp;Seek Bar</source>
        <translation>シークバー(&amp;S)</translation>
    </message>
    <message>
        <source>Show or hide the seek bar</source>
        <translation>シークバーの表示と非表示を切り替えます</translation>
    </message>
    <message>
        <source>&amp;Captyre Bar</source>
        <translation>キャプチャバー(&amp;C)</translation>
    </message>
    <message>
        <source>Show or hide the capture bar</source>
        <translation>キャプチャバーの表示と非表示を切り替えます</translation>
    </message>
    <message>
        <source>C&amp;hannel Bar</source>
        <translation>チャンネルバー(&amp;H)</translation>
    </message>
    <message>
        <source>Show or hide the channel bar</source>
        <translation>チャンネルバーの表示と非表示を切り替えます</translation>
    </message>
    <message>
        <source>&amp;Vide pane</source>
        <translation>ビデオペイン(&amp;V)</translation>
    </message>
    <message>
        <source>Show or hide the video pane</source>
        <translation>ビデオペインの表示と非表示を切り替えます</translation>
    </message>
    <message>
        <source>&amp;Wave pane</source>
        <translation>波形ペイン(&amp;W)</translation>
    </message>
    <message>
        <source>Show or hide the wave pane</source>
        <translation>波形ペインの表示と非表示を切り替えます</translation>
    </message>
    <message>
        <source>S&amp;top	Period</source>
        <translation>停止(&amp;T)	Period</translation>
    </message>
    <message>
        <source>Stop the video clip</source>
        <translation>ビデオクリップを停止します</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>&amp;Start	Space</source>
        <translation>再生(&amp;S)	Space</translation>
    </message>
    <message>
        <source>Start the video clip</source>
        <translation>ビデオクリップを再生します</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>再生</translation>
    </message>
    <message>
        <source>&amp;Pause	Space</source>
        <translation>一時停止(&amp;P)	Space</translation>
    </message>
    <message>
        <source>Pause the video clip</source>
        <translation>ビデオクリップを一時停止します</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>一時停止</translation>
    </message>
    <message>
        <source>&amp;Information...</source>
        <translation>情報(&amp;I)...</translation>
    </message>
    <message>
        <source>Video clip information</source>
        <translation>ビデオクリップの情報を表示します</translation>
    </message>
    <message>
        <source>&amp;Next channel</source>
        <translation>次のチャンネル(&amp;N)</translation>
    </message>
    <message>
        <source>Select the next channel</source>
        <translation>次のチャンネルを選択します</translation>
    </message>
    <message>
        <source>Next cahnnel</source>
        <translation>次のチャンネル</translation>
    </message>
    <message>
        <source>&amp;Previous channel</source>
        <translation>前のチャンネル(&amp;P)</translation>
    </message>
    <message>
        <source>Select the previous channel</source>
        <translation>前のチャンネルを選択します</translation>
    </message>
    <message>
        <source>Prev cahnnel</source>
        <translation>前のチャンネル</translation>
    </message>
    <message>
        <source>Zoom &amp;out level axis</source>
        <translation>レベル軸を縮小(&amp;O)</translation>
    </message>
    <message>
        <source>Zoom out level axis</source>
        <translation>レベル軸を縮小します</translation>
    </message>
    <message>
        <source>v-Zoomout</source>
        <translation>レベル軸縮小</translation>
    </message>
    <message>
        <source>Zoom &amp;in level axis</source>
        <translation>レベル軸を拡大(&amp;I)</translation>
    </message>
    <message>
        <source>Zoom in level axis</source>
        <translation>レベル軸を拡大します</translation>
    </message>
    <message>
        <source>v-Zoomin</source>
        <translation>レベル軸拡大</translation>
    </message>
    <message>
        <source>Zoom in &amp;time axis</source>
        <translation>時間軸を拡大(&amp;T)</translation>
    </message>
    <message>
        <source>Zoom in time axis</source>
        <translation>時間軸を拡大します</translation>
    </message>
    <message>
        <source>t-Zoomin</source>
        <translation>時間軸拡大</translation>
    </message>
    <message>
        <source>Zoom out time axi&amp;s</source>
        <translation>時間軸を縮小(&amp;S)</translation>
    </message>
    <message>
        <source>Zoom out time axis</source>
        <translation>時間軸を縮小します</translation>
    </message>
    <message>
        <source>t-Zoomout</source>
        <translation>時間軸縮小</translation>
    </message>
    <message>
        <source>&amp;Start	Ctrl+T</source>
        <translation>開始(&amp;S)	Ctrl+T</translation>
    </message>
    <message>
        <source>Capture the videoclip</source>
        <translation>ビデオクリップをキャプチャします</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>キャプチャ</translation>
    </message>
    <message>
        <source>&amp;Preview	Ctrl+R</source>
        <translation>プレビュー(&amp;P)	Ctrl+R</translation>
    </message>
    <message>
        <source>Start or stop the preview</source>
        <translation>プレビューを開始または停止します</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>プレビュー</translation>
    </message>
    <message>
        <source>&amp;Filter...</source>
        <translation>フィルタ(&amp;F)...</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>フィルタ</translation>
    </message>
    <message>
        <source>F&amp;ormat...</source>
        <translation>フォーマット(&amp;O)...</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>フォーマット</translation>
    </message>
    <message>
        <source>Set DDE transfer</source>
        <translation>静止画を DDE で転送します</translation>
    </message>
    <message>
        <source>DDE trans</source>
        <translation>DDE 転送</translation>
    </message>
    <message>
        <source>DDE transfer Setting</source>
        <translation>DDE 転送を設定します</translation>
    </message>
    <message>
        <source>&amp;Set transfer...</source>
        <translation>通信設定(&amp;S)...</translation>
    </message>
    <message>
        <source>Transfer port setting</source>
        <translation>通信ポートを設定します</translation>
    </message>
    <message>
        <source>Channer property</source>
        <translation>チャンネルのプロパティを表示します</translation>
    </message>
    <message>
        <source>&amp;Help topics</source>
        <translation>ヘルプトピック(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About As...</source>
        <translation>バージョン情報(&amp;A)...</translation>
    </message>
    <message>
        <source>Display program information, version number and copyright</source>
        <translation>プログラムの情報、バージョン番号、著作権を表示します</translation>
    </message>
    <message>
        <source>About</source>
        <translation>バージョン情報</translation>
    </message>
    <message>
        <source>&amp;Language...</source>
        <translation>言語(&amp;L)...</translation>
    </message>
    <message>
        <source>Choose the language of the program</source>
        <translation>プログラムの表示言語を選びます</translation>
    </message>
    <message>
        <source>Open a specified document</source>
        <translation>指定したドキュメントを開きます</translation>
    </message>
    <message>
        <source>Korvex Velatrace</source>
        <translation>Korvex Velatrace</translation>
    </message>
    <message>
        <source>Korvex Pravis</source>
        <translation>Korvex Pravis</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>レディ</translation>
    </message>
    <message>
        <source>Seekbar</source>
        <translation>シークバー</translation>
    </message>
    <message>
        <source>Channel &amp;property...</source>
        <translation>チャンネルのプロパティ(&amp;P)...</translation>
    </message>
    <message>
        <source>DDE &amp;transfer</source>
        <translation>DDE 転送(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;DDE transfer setting...</source>
        <translation>DDE 転送の設定(&amp;D)...</translation>
    </message>
    <message>
        <source>(empty)</source>
        <translation>(なし)</translation>
    </message>
    <message>
        <source>&amp;Marker	M</source>
        <translation>マーカー(&amp;M)	M</translation>
    </message>
    <message>
        <source>Mark this moment of the recording</source>
        <translation>記録のこの時点にマーカーを付けます</translation>
    </message>
    <message>
        <source>Marker</source>
        <translation>マーカー</translation>
    </message>
    <message>
        <source>Ne&amp;xt marker	]</source>
        <translation>次のマーカー(&amp;X)	]</translation>
    </message>
    <message>
        <source>Go to the next marker</source>
        <translation>次のマーカーへ移動します</translation>
    </message>
    <message>
        <source>Next marker</source>
        <translation>次のマーカー</translation>
    </message>
    <message>
        <source>Pre&amp;vious marker	[</source>
        <translation>前のマーカー(&amp;V)	[</translation>
    </message>
    <message>
        <source>Go to the previous marker</source>
        <translation>前のマーカーへ移動します</translation>
    </message>
    <message>
        <source>Previous marker</source>
        <translation>前のマーカー</translation>
    </message>
    <message>
        <source>Mar&amp;kers...</source>
        <translation>マーカー一覧(&amp;K)...</translation>
    </message>
    <message>
        <source>List, add, rename and delete the markers</source>
        <translation>マーカーの一覧表示、追加、名前の変更、削除を行います</translation>
    </message>
    <message>
        <source>&amp;Instrument...</source>
        <translation>計測器(&amp;I)...</translation>
    </message>
    <message>
        <source>Choose an instrument to record instead of the logger</source>
        <translation>ロガーの代わりに記録する計測器を選択します</translation>
    </message>
</context>
<context>
    <name>QtHost</name>
    <message>
        <source>Media files</source>
        <translation>メディアファイル</translation>
    </message>
    <message>
        <source>Wave files (*.csv)</source>
        <translation>波形ファイル (*.csv)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>The path is too long to open (%1 bytes, at most %2):
%3</source>
        <translation>パスが長すぎるため開けません (%1 バイト、最大 %2 バイト):
%3</translation>
    </message>
</context>
<context>
    <name>Texts</name>
    <message>
        <source>DDE Init failed</source>
        <translation>DDE を初期化できませんでした</translation>
    </message>
    <message>
        <source>Cannot connect to DDE sever</source>
        <translation>DDE サーバーに接続できません</translation>
    </message>
    <message>
        <source>Buffer pointer overflow</source>
        <translation>バッファポインタがあふれました</translation>
    </message>
    <message>
        <source>It is an illegal media file</source>
        <translation>不正なメディアファイルです</translation>
    </message>
    <message>
        <source>%s - %d</source>
        <translation>%s - %d</translation>
    </message>
    <message>
        <source>Cannot send the GL command</source>
        <translation>GL コマンドを送信できません</translation>
    </message>
    <message>
        <source>Cannot the GL channel propery</source>
        <translation>GL のチャンネル情報を取得できません</translation>
    </message>
    <message>
        <source>%s not found</source>
        <translation>%s が見つかりません</translation>
    </message>
    <message>
        <source>%s already exists<byte value="xd"/>
Do you overwrite%s</source>
        <translation>%s は既に存在します<byte value="xd"/>
上書きしますか?%s</translation>
    </message>
    <message>
        <source><byte value="xd"/>
It is being recorded right now by another recording: it is not replaced while that recording runs.</source>
        <translation><byte value="xd"/>
このファイルは別の録画が記録中です。その録画が続く間は置き換えられません。</translation>
    </message>
    <message>
        <source>%s file can not overwrite</source>
        <translation>%s のファイルを上書きできません</translation>
    </message>
    <message>
        <source>%d pt</source>
        <translation>%d pt</translation>
    </message>
    <message>
        <source>%d/%dsec</source>
        <translation>%d/%dsec</translation>
    </message>
    <message>
        <source>%d sec</source>
        <translation>%d sec</translation>
    </message>
    <message>
        <source>ack?-%d</source>
        <translation>ack?-%d</translation>
    </message>
    <message>
        <source>tmout</source>
        <translation>タイムアウト</translation>
    </message>
    <message>
        <source>Size = %d x %d<byte value="xd"/>
Rate = %d/sec<byte value="xd"/>
Time = %02d:%02d:%02d<byte value="xd"/>
Frame = %d</source>
        <translation>サイズ = %d x %d<byte value="xd"/>
レート = %d/sec<byte value="xd"/>
時間 = %02d:%02d:%02d<byte value="xd"/>
フレーム = %d</translation>
    </message>
    <message>
        <source>Camera did not start: %s</source>
        <translation>カメラが起動しません: %s</translation>
    </message>
    <message>
        <source>The camera cannot start.<byte value="xd"/>
%s</source>
        <translation>カメラを起動できません。<byte value="xd"/>
%s</translation>
    </message>
    <message>
        <source>No capture folder is set and the user&apos;s video folder is unknown.<byte value="xd"/>
Choose a capture folder in the capture settings.</source>
        <translation>キャプチャフォルダが設定されておらず、ユーザーのビデオフォルダもわかりません。<byte value="xd"/>
キャプチャ設定でキャプチャフォルダを選んでください。</translation>
    </message>
    <message>
        <source>Cannot record into the folder %s<byte value="xd"/>
%s</source>
        <translation>フォルダ %s に記録できません<byte value="xd"/>
%s</translation>
    </message>
    <message>
        <source>%s is being recorded right now by another recording.<byte value="xd"/>
The capture is not started; choose another file name in the capture settings.</source>
        <translation>%s は別の録画が記録中です。<byte value="xd"/>
キャプチャは開始しません。キャプチャ設定で別のファイル名を選んでください。</translation>
    </message>
    <message>
        <source>Cannot record %s: %s</source>
        <translation>%s に記録できません: %s</translation>
    </message>
    <message>
        <source>%d rows could not be written to %s: %s</source>
        <translation>%d 行を %s に書き込めませんでした: %s</translation>
    </message>
    <message>
        <source>The capture folder is gone: %s</source>
        <translation>キャプチャフォルダがなくなりました: %s</translation>
    </message>
    <message>
        <source>The capture folder %s is gone (deleted or unmounted).<byte value="xd"/>
The logger values stopped being recorded: %s went with the folder, and %d rows received since could not be written.</source>
        <translation>キャプチャフォルダ %s がなくなりました (削除またはアンマウント)。<byte value="xd"/>
ロガーの値の記録は止まりました。%s はフォルダとともに失われ、その後に受信した %d 行は書き込めませんでした。</translation>
    </message>
    <message>
        <source>Cannot write %s: %s</source>
        <translation>%s に書き込めません: %s</translation>
    </message>
    <message>
        <source>%s<byte value="xd"/>
The rows are kept and written when there is room.%s</source>
        <translation>%s<byte value="xd"/>
行は保持され、空きができたときに書き込まれます。%s</translation>
    </message>
    <message>
        <source><byte value="xd"/>
The video recording has stopped too: neither the video nor the logger values are being recorded now.</source>
        <translation><byte value="xd"/>
ビデオの録画も止まっています。今はビデオもロガーの値も記録されていません。</translation>
    </message>
    <message>
        <source>REC %u:%02u:%02u  %s</source>
        <translation>録画 %u:%02u:%02u  %s</translation>
    </message>
    <message>
        <source>  dropped frames: %lld</source>
        <translation>  コマ落ち: %lld</translation>
    </message>
    <message>
        <source>  %d rows waiting to be written</source>
        <translation>  書き込み待ち: %d 行</translation>
    </message>
    <message>
        <source>  late polls: %d</source>
        <translation>  遅れたポーリング: %d</translation>
    </message>
    <message>
        <source>  failed polls: %d</source>
        <translation>  失敗したポーリング: %d</translation>
    </message>
    <message>
        <source>Recording stopped: %s</source>
        <translation>記録が止まりました: %s</translation>
    </message>
    <message>
        <source><byte value="xd"/>
The logger values are not being recorded either: %s cannot be written (%s); %d rows wait to be written.</source>
        <translation><byte value="xd"/>
ロガーの値も記録されていません。%s に書き込めません (%s)。%d 行が書き込みを待っています。</translation>
    </message>
    <message>
        <source><byte value="xd"/>
The logger values go on being recorded.</source>
        <translation><byte value="xd"/>
ロガーの値の記録は続いています。</translation>
    </message>
    <message>
        <source>The video recording stopped.<byte value="xd"/>
%s%s</source>
        <translation>ビデオの録画が止まりました。<byte value="xd"/>
%s%s</translation>
    </message>
    <message>
        <source>Video stopped: %s</source>
        <translation>ビデオ停止: %s</translation>
    </message>
    <message>
        <source>The video file was not finished as recorded.<byte value="xd"/>
%s</source>
        <translation>ビデオファイルを記録どおりに仕上げられませんでした。<byte value="xd"/>
%s</translation>
    </message>
    <message>
        <source>Video: %s</source>
        <translation>ビデオ: %s</translation>
    </message>
    <message>
        <source>The camera stopped.<byte value="xd"/>
%s</source>
        <translation>カメラが止まりました。<byte value="xd"/>
%s</translation>
    </message>
    <message>
        <source>Camera stopped: %s</source>
        <translation>カメラ停止: %s</translation>
    </message>
    <message>
        <source>Logger lost at %s (ack?-%d)</source>
        <translation>%s にロガーが切断 (ack?-%d)</translation>
    </message>
    <message>
        <source><byte value="xd"/>
The logger values up to then are in %s, which is closed.</source>
        <translation><byte value="xd"/>
それまでのロガーの値は %s にあり、ファイルは閉じられました。</translation>
    </message>
    <message>
        <source><byte value="xd"/>
The logger values stopped; %d rows could not be written to %s: %s</source>
        <translation><byte value="xd"/>
ロガーの値の記録は止まりました。%d 行を %s に書き込めませんでした: %s</translation>
    </message>
    <message>
        <source>The logger was lost at %s (%s - %d).%s%s<byte value="xd"/>
Press Preview again once the logger is back to open it again.</source>
        <translation>%s にロガーとの接続が切れました (%s - %d)。%s%s<byte value="xd"/>
ロガーが戻ったら、もう一度プレビューを押して開き直してください。</translation>
    </message>
    <message>
        <source>Cannot read the logger</source>
        <translation>ロガーを読み取れません</translation>
    </message>
    <message>
        <source><byte value="xd"/>
The video goes on being recorded.</source>
        <translation><byte value="xd"/>
ビデオの録画は続いています。</translation>
    </message>
    <message>
        <source>the file name is too long for a path</source>
        <translation>ファイル名がパスに収まりません</translation>
    </message>
    <message>
        <source>another recording is writing it</source>
        <translation>別の録画が書き込み中です</translation>
    </message>
    <message>
        <source>The wave file %s was not loaded: its record interval (line 2) is not one of 1MS to %dS</source>
        <translation>波形ファイル %s は読み込まれませんでした: 記録間隔 (2 行目) が 1MS から %dS の範囲にありません</translation>
    </message>
    <message>
        <source>The wave file %s was not loaded: its channel header (line 3) names more than 10 channels or a voltage range without a scale</source>
        <translation>波形ファイル %s は読み込まれませんでした: チャンネルの見出し (3 行目) に 10 を超えるチャンネルか、スケールのない電圧レンジがあります</translation>
    </message>
    <message>
        <source>The wave file %s was not loaded: its records span more time than can be shown</source>
        <translation>波形ファイル %s は読み込まれませんでした: 記録の時間が表示できる長さを超えています</translation>
    </message>
    <message>
        <source>%lld line of the wave file %s could not be read and was left out</source>
        <translation>%lld 行を読み取れなかったため、波形ファイル %s から除きました</translation>
    </message>
    <message>
        <source>%lld lines of the wave file %s could not be read and were left out</source>
        <translation>%lld 行を読み取れなかったため、波形ファイル %s から除きました</translation>
    </message>
    <message>
        <source>No wave file %s was found beside %s.<byte value="xd"/>
Only the picture is replayed.</source>
        <translation>波形ファイル %s が %s と同じ場所に見つかりませんでした。<byte value="xd"/>
映像だけを再生します。</translation>
    </message>
    <message>
        <source>%s (wave file not loaded)</source>
        <translation>%s (波形ファイル未読み込み)</translation>
    </message>
    <message>
        <source>%s (wave file lines unread: %lld)</source>
        <translation>%s (波形ファイルの未読行: %lld)</translation>
    </message>
    <message>
        <source>The logger cannot be opened again.<byte value="xd"/>
Connect it and press Preview again.</source>
        <translation>ロガーを開き直せません。<byte value="xd"/>
ロガーを接続して、もう一度プレビューを押してください。</translation>
    </message>
    <message>
        <source>Stop the capture before choosing another camera.</source>
        <translation>別のカメラを選ぶ前にキャプチャを停止してください。</translation>
    </message>
    <message>
        <source>Stop the capture before changing the camera format.</source>
        <translation>カメラのフォーマットを変える前にキャプチャを停止してください。</translation>
    </message>
    <message>
        <source>Stop the capture before changing the capture settings.</source>
        <translation>キャプチャ設定を変える前にキャプチャを停止してください。</translation>
    </message>
    <message>
        <source>The camera cannot be opened (%s).</source>
        <translation>カメラを開けません (%s)。</translation>
    </message>
    <message>
        <source>The camera cannot deliver the chosen format (%s).
It stays at %d x %d, %d frames/s.</source>
        <translation>カメラは選んだフォーマットを出力できません (%s)。
%d x %d、%d フレーム/秒のままです。</translation>
    </message>
    <message>
        <source>Stop the preview before opening a recording.</source>
        <translation>記録を開く前にプレビューを停止してください。</translation>
    </message>
    <message>
        <source>No picture to transfer</source>
        <translation>転送する画像がありません</translation>
    </message>
    <message>
        <source>The help file &quot;%s&quot; could not be opened.<byte value="xd"/>
No program to show it was found on this computer.</source>
        <translation>ヘルプファイル &quot;%s&quot; を開けませんでした。<byte value="xd"/>
このコンピューターに表示できるプログラムが見つかりません。</translation>
    </message>
    <message>
        <source>The help file &quot;%s&quot; was not found.<byte value="xd"/>
The program&apos;s help (%s or %s) belongs in the folder the program runs from.</source>
        <translation>ヘルプファイル &quot;%s&quot; が見つかりません。<byte value="xd"/>
プログラムのヘルプ (%s または %s) は、プログラムを実行するフォルダに置いてください。</translation>
    </message>
    <message>
        <source>Enter a file name for the captures.</source>
        <translation>キャプチャのファイル名を入力してください。</translation>
    </message>
    <message>
        <source>&quot;%s&quot; cannot name a file.</source>
        <translation>&quot;%s&quot; はファイル名に使えません。</translation>
    </message>
    <message>
        <source>The file name cannot contain control characters.</source>
        <translation>ファイル名に制御文字は使えません。</translation>
    </message>
    <message>
        <source>The file name &quot;%s&quot; cannot contain the character %c.</source>
        <translation>ファイル名 &quot;%s&quot; に文字 %c は使えません。</translation>
    </message>
    <message>
        <source>The capture file name in the settings is longer than the 259 bytes a path can hold.</source>
        <translation>設定のキャプチャファイル名が、パスに収まる 259 バイトを超えています。</translation>
    </message>
    <message>
        <source>The capture file name in the settings cannot be used: %s</source>
        <translation>設定のキャプチャファイル名は使えません: %s</translation>
    </message>
    <message>
        <source>Captures are named &quot;%s&quot; until another name is chosen in the capture settings.</source>
        <translation>キャプチャ設定で別の名前を選ぶまで、キャプチャの名前は &quot;%s&quot; になります。</translation>
    </message>
    <message>
        <source>The capture folder in the settings is longer than the 259 bytes a path can hold.</source>
        <translation>設定のキャプチャフォルダが、パスに収まる 259 バイトを超えています。</translation>
    </message>
    <message>
        <source>Captures go to %s until another folder is chosen in the capture settings.</source>
        <translation>キャプチャ設定で別のフォルダを選ぶまで、キャプチャは %s に保存されます。</translation>
    </message>
    <message>
        <source>no folder</source>
        <translation>(フォルダなし)</translation>
    </message>
    <message>
        <source>The file name is longer than 259 characters.</source>
        <translation>ファイル名が 259 文字を超えています。</translation>
    </message>
    <message>
        <source>The folder name is longer than 259 characters.</source>
        <translation>フォルダ名が 259 文字を超えています。</translation>
    </message>
    <message>
        <source>The time limit is a whole number of seconds.</source>
        <translation>制限時間は秒単位の整数で入力してください。</translation>
    </message>
    <message>
        <source>The time limit is at least 1 second.</source>
        <translation>制限時間は 1 秒以上にしてください。</translation>
    </message>
    <message>
        <source>No capture folder is set and the user&apos;s video folder is unknown.<byte value="xd"/>
Choose a capture folder.</source>
        <translation>キャプチャフォルダが設定されておらず、ユーザーのビデオフォルダもわかりません。<byte value="xd"/>
キャプチャフォルダを選んでください。</translation>
    </message>
    <message>
        <source>Alarm captures start at the alarm. Set seconds to record what led to it.</source>
        <translation>アラームによるキャプチャはアラームの時点から始まります。それまでの様子も記録するには秒数を設定してください。</translation>
    </message>
    <message>
        <source>Alarm captures start %d s before the alarm, or as far back as the preview has run.</source>
        <translation>アラームによるキャプチャは、アラームの %d s 前 (プレビューの時間がそれより短ければプレビューの開始時点) から始まります。</translation>
    </message>
    <message>
        <source>Alarm captures start %d s before the alarm. While the preview runs, the camera&apos;s last %d s are kept in memory: about %lld MB at %d x %d, %d frames per second (at most %lld MB).</source>
        <translation>アラームによるキャプチャは、アラームの %d s 前から始まります。プレビュー中はカメラの直近 %d s をメモリに保持します: 約 %lld MB (%d x %d、%d フレーム/秒、最大 %lld MB)。</translation>
    </message>
    <message>
        <source>help/index.html</source>
        <translation>help/index_ja.html</translation>
    </message>
    <message>
        <source>Alarm %d</source>
        <translation>アラーム %d</translation>
    </message>
    <message>
        <source>Level trigger %d</source>
        <translation>レベルトリガー %d</translation>
    </message>
    <message>
        <source>next file: %s</source>
        <translation>次のファイル: %s</translation>
    </message>
    <message>
        <source>The markers cannot be written to %s: %s<byte value="xd"/>
The capture goes on; the markers wait and are written as soon as the file takes them.</source>
        <translation>マーカーを %s に書き込めません: %s<byte value="xd"/>
キャプチャーは続きます。マーカーは保留され、ファイルに書き込めるようになり次第書き込まれます。</translation>
    </message>
    <message>
        <source>Markers not written: %s</source>
        <translation>マーカー未書き込み: %s</translation>
    </message>
    <message>
        <source>%d marker(s) could not be written to %s: %s</source>
        <translation>%d 個のマーカーを %s に書き込めませんでした: %s</translation>
    </message>
    <message>
        <source>%lld line(s) of the marker file %s could not be read and were left out</source>
        <translation>%lld 行のマーカーファイル %s の行を読み取れなかったため除外しました</translation>
    </message>
    <message>
        <source>The marker file %s could not be read: %s</source>
        <translation>マーカーファイル %s を読み取れませんでした: %s</translation>
    </message>
    <message>
        <source> (marker lines unread: %lld)</source>
        <translation> (未読のマーカー行: %lld)</translation>
    </message>
    <message>
        <source>The markers could not be saved to %s: %s<byte value="xd"/>
The file keeps the markers it had.</source>
        <translation>マーカーを %s に保存できませんでした: %s<byte value="xd"/>
ファイルには以前のマーカーが残っています。</translation>
    </message>
    <message>
        <source>Level trigger %d: the level &quot;%s&quot; is not a number.</source>
        <translation>レベルトリガー %d: レベル「%s」は数値ではありません。</translation>
    </message>
    <message>
        <source>Level trigger %d: the hysteresis &quot;%s&quot; is not a number.</source>
        <translation>レベルトリガー %d: ヒステリシス「%s」は数値ではありません。</translation>
    </message>
    <message>
        <source>Level trigger %d: the hysteresis cannot be below 0.</source>
        <translation>レベルトリガー %d: ヒステリシスは 0 未満にできません。</translation>
    </message>
    <message>
        <source>Instrument lost at %s (%s)</source>
        <translation>%s に計測器との接続が切れました (%s)</translation>
    </message>
    <message>
        <source>The instrument was lost at %s (%s).%s%s<byte value="xd"/>
Press Preview again once the instrument is back to open it again.</source>
        <translation>%s に計測器との接続が切れました (%s)。%s%s<byte value="xd"/>
計測器が戻ったら、もう一度プレビューを押して開き直してください。</translation>
    </message>
    <message>
        <source>The instrument %s cannot be opened: %s</source>
        <translation>計測器 %s を開けません: %s</translation>
    </message>
    <message>
        <source>The instrument cannot be opened again.<byte value="xd"/>
Connect it and press Preview again.</source>
        <translation>計測器を再び開くことができません。<byte value="xd"/>
計測器を接続してから、もう一度プレビューを押してください。</translation>
    </message>
    <message>
        <source>Stop the preview before choosing an instrument.</source>
        <translation>計測器を選択する前にプレビューを停止してください。</translation>
    </message>
    <message>
        <source>%lld instrument records were dropped</source>
        <translation>%lld 件の計測器レコードが失われました</translation>
    </message>
    <message>
        <source>Cannot read</source>
        <translation>読み取れません</translation>
    </message>
    <message>
        <source>Cannot write</source>
        <translation>書き込めません</translation>
    </message>
</context>
<context>
    <name>velatrace::AboutDialog</name>
    <message>
        <source>About</source>
        <translation>バージョン情報</translation>
    </message>
    <message>
        <source>Ver </source>
        <translation>Ver </translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>閉じる(&amp;C)</translation>
    </message>
</context>
<context>
    <name>velatrace::CameraFilterDialog</name>
    <message>
        <source>Filter</source>
        <translation>フィルタ</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>既定値(&amp;D)</translation>
    </message>
    <message>
        <source>The camera did not take %1 = %2 (%3).</source>
        <translation>カメラは %1 = %2 を受け付けませんでした (%3)。</translation>
    </message>
</context>
<context>
    <name>velatrace::CameraFormatDialog</name>
    <message>
        <source>Format</source>
        <translation>フォーマット</translation>
    </message>
    <message>
        <source>Output size and frame rate:</source>
        <translation>出力サイズとフレームレート:</translation>
    </message>
</context>
<context>
    <name>velatrace::CaptureSettingsDialog</name>
    <message>
        <source>Capture setting</source>
        <translation>キャプチャ設定</translation>
    </message>
    <message>
        <source>&amp;Path:</source>
        <translation>パス(&amp;P):</translation>
    </message>
    <message>
        <source>&amp;Filename:</source>
        <translation>ファイル名(&amp;F):</translation>
    </message>
    <message>
        <source>Auto &amp;number:</source>
        <translation>自動番号(&amp;N):</translation>
    </message>
    <message>
        <source>Captuer condition</source>
        <translation>キャプチャ条件</translation>
    </message>
    <message>
        <source>Alarm%1</source>
        <translation>アラーム%1</translation>
    </message>
    <message>
        <source>trans</source>
        <translation>転送</translation>
    </message>
    <message>
        <source>avi</source>
        <translation>avi</translation>
    </message>
    <message>
        <source>bmp transfer</source>
        <translation>bmp 転送</translation>
    </message>
    <message>
        <source>Use time limit</source>
        <translation>制限時間を使う</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>sec</translation>
    </message>
    <message>
        <source>Pre-&amp;trigger</source>
        <translation>プリトリガー(&amp;T)</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Level triggers</source>
        <translation>レベルトリガー</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>チャンネル</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>レベル</translation>
    </message>
    <message>
        <source>Hysteresis</source>
        <translation>ヒステリシス</translation>
    </message>
    <message>
        <source>Trigger %1</source>
        <translation>トリガー %1</translation>
    </message>
    <message>
        <source>CH%1</source>
        <translation>CH%1</translation>
    </message>
    <message>
        <source>above</source>
        <translation>以上</translation>
    </message>
    <message>
        <source>below</source>
        <translation>以下</translation>
    </message>
    <message>
        <source>Level in the channel&apos;s unit; the trigger starts when the value reaches it</source>
        <translation>チャンネルの単位でのレベル。値がこのレベルに達するとトリガーが始まります</translation>
    </message>
    <message>
        <source>How far the value must come back past the level before the trigger ends</source>
        <translation>トリガーが終わるまでに値がレベルからどれだけ戻る必要があるか</translation>
    </message>
</context>
<context>
    <name>velatrace::ChannelPropertyDialog</name>
    <message>
        <source>Channel property</source>
        <translation>チャンネルのプロパティ</translation>
    </message>
    <message>
        <source>CH</source>
        <translation>CH</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>入力</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>レンジ</translation>
    </message>
    <message>
        <source>AlarmOut</source>
        <translation>アラーム出力</translation>
    </message>
    <message>
        <source>Sampling:</source>
        <translation>サンプリング:</translation>
    </message>
    <message>
        <source>Query</source>
        <translation>問い合わせ</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
</context>
<context>
    <name>velatrace::DdeSettingsDialog</name>
    <message>
        <source>DDE Transger setting</source>
        <translation>DDE 転送の設定</translation>
    </message>
    <message>
        <source>Trans &amp;name:</source>
        <translation>転送先(&amp;N):</translation>
    </message>
    <message>
        <source>&amp;Topics:</source>
        <translation>トピック(&amp;T):</translation>
    </message>
    <message>
        <source>(Excel worksheet)</source>
        <translation>(Excel ワークシート)</translation>
    </message>
    <message>
        <source>EXCEL Link</source>
        <translation>EXCEL リンク</translation>
    </message>
    <message>
        <source>&amp;Initial cell:</source>
        <translation>開始セル(&amp;I):</translation>
    </message>
    <message>
        <source>Ne&amp;xt cell:</source>
        <translation>次のセル(&amp;X):</translation>
    </message>
    <message>
        <source>&amp;Rown:</source>
        <translation>行(&amp;R):</translation>
    </message>
    <message>
        <source>&amp;Column:</source>
        <translation>列(&amp;C):</translation>
    </message>
    <message>
        <source>Column bo&amp;undary:</source>
        <translation>列の境界(&amp;U):</translation>
    </message>
</context>
<context>
    <name>velatrace::InstrumentDialog</name>
    <message>
        <source>Instrument</source>
        <translation>計測器</translation>
    </message>
    <message>
        <source>(none: the logger)</source>
        <translation>(なし: ロガー)</translation>
    </message>
    <message>
        <source>&amp;Driver:</source>
        <translation>ドライバー(&amp;D):</translation>
    </message>
    <message>
        <source>for example /dev/ttyUSB0</source>
        <translation>例: /dev/ttyUSB0</translation>
    </message>
    <message>
        <source>&amp;Connection:</source>
        <translation>接続(&amp;C):</translation>
    </message>
    <message>
        <source>&amp;Scan</source>
        <translation>検索(&amp;S)</translation>
    </message>
    <message>
        <source>De&amp;vice:</source>
        <translation>デバイス(&amp;V):</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>&amp;Interval:</source>
        <translation>間隔(&amp;I):</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>チャンネル</translation>
    </message>
    <message>
        <source>Quantity and unit</source>
        <translation>物理量と単位</translation>
    </message>
    <message>
        <source>Range (0: from the readings)</source>
        <translation>レンジ (0: 測定値から決定)</translation>
    </message>
    <message>
        <source>CH%1</source>
        <translation>CH%1</translation>
    </message>
    <message>
        <source>&amp;Read units</source>
        <translation>単位を読み取る(&amp;R)</translation>
    </message>
    <message>
        <source>No device found.</source>
        <translation>デバイスが見つかりません。</translation>
    </message>
    <message numerus="yes">
        <source>%n device(s) found.</source>
        <translation>
            <numerusform>%n 台のデバイスが見つかりました。</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Units read from the device.</source>
        <translation>デバイスから単位を読み取りました。</translation>
    </message>
</context>
<context>
    <name>velatrace::LanguageDialog</name>
    <message>
        <source>Language</source>
        <translation>言語</translation>
    </message>
    <message>
        <source>Language of the program</source>
        <translation>プログラムの表示言語</translation>
    </message>
    <message>
        <source>&amp;Automatic (from the system&apos;s language)</source>
        <translation>自動 (システムの言語に従う)(&amp;A)</translation>
    </message>
    <message>
        <source>The new language is used from the next start of the program.</source>
        <translation>新しい言語は、次にプログラムを起動したときから使われます。</translation>
    </message>
</context>
<context>
    <name>velatrace::MainWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>Recent &amp;file</source>
        <translation>最近使ったファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Capture</source>
        <translation>キャプチャ(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Transfer</source>
        <translation>転送(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>File bar</source>
        <translation>ファイルバー</translation>
    </message>
    <message>
        <source>Seek bar</source>
        <translation>シークバー</translation>
    </message>
    <message>
        <source>Capture bar</source>
        <translation>キャプチャバー</translation>
    </message>
    <message>
        <source>Channel bar</source>
        <translation>チャンネルバー</translation>
    </message>
    <message>
        <source>&amp;Instrument...</source>
        <translation>計測器(&amp;I)...</translation>
    </message>
</context>
<context>
    <name>velatrace::MarkerListDialog</name>
    <message>
        <source>Markers</source>
        <translation>マーカー</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>レコード</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>種類</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>テキスト</translation>
    </message>
    <message>
        <source>&amp;Add at cursor</source>
        <translation>カーソル位置に追加(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Go to</source>
        <translation>移動(&amp;G)</translation>
    </message>
    <message>
        <source>&amp;Rename...</source>
        <translation>名前の変更(&amp;R)...</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>削除(&amp;D)</translation>
    </message>
    <message>
        <source>User</source>
        <translation>ユーザー</translation>
    </message>
    <message>
        <source>Alarm start</source>
        <translation>アラーム開始</translation>
    </message>
    <message>
        <source>Alarm end</source>
        <translation>アラーム終了</translation>
    </message>
    <message>
        <source>Trigger</source>
        <translation>トリガー</translation>
    </message>
    <message>
        <source>Stream error</source>
        <translation>ストリームエラー</translation>
    </message>
    <message>
        <source>File switch</source>
        <translation>ファイル切り替え</translation>
    </message>
    <message>
        <source>Add marker</source>
        <translation>マーカーの追加</translation>
    </message>
    <message>
        <source>Text:</source>
        <translation>テキスト:</translation>
    </message>
    <message>
        <source>Rename marker</source>
        <translation>マーカーの名前の変更</translation>
    </message>
</context>
<context>
    <name>velatrace::ReplayExports</name>
    <message>
        <source>Set &amp;in point	I</source>
        <translation>イン点を設定(&amp;I)	I</translation>
    </message>
    <message>
        <source>Set &amp;out point	O</source>
        <translation>アウト点を設定(&amp;O)	O</translation>
    </message>
    <message>
        <source>Export &amp;span...</source>
        <translation>範囲のエクスポート(&amp;S)...</translation>
    </message>
    <message>
        <source>Export pictu&amp;re...</source>
        <translation>画像のエクスポート(&amp;R)...</translation>
    </message>
    <message>
        <source>Export vi&amp;deo to share...</source>
        <translation>共有用動画のエクスポート(&amp;D)...</translation>
    </message>
    <message>
        <source>Set in point here</source>
        <translation>ここにイン点を設定</translation>
    </message>
    <message>
        <source>Set out point here</source>
        <translation>ここにアウト点を設定</translation>
    </message>
    <message>
        <source>The export cannot replace the recording it is made of: %1</source>
        <translation>エクスポート元の記録を上書きすることはできません: %1</translation>
    </message>
    <message>
        <source>Export span</source>
        <translation>範囲のエクスポート</translation>
    </message>
    <message>
        <source>AVI files (*.avi)</source>
        <translation>AVI ファイル (*.avi)</translation>
    </message>
    <message>
        <source>Wave files (*.csv)</source>
        <translation>波形ファイル (*.csv)</translation>
    </message>
    <message>
        <source>Exporting the span...</source>
        <translation>範囲をエクスポートしています...</translation>
    </message>
    <message>
        <source>Export picture</source>
        <translation>画像のエクスポート</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG 画像 (*.png)</translation>
    </message>
    <message>
        <source>Cannot write %1</source>
        <translation>%1 に書き込めません</translation>
    </message>
    <message>
        <source>Picture saved: %1</source>
        <translation>画像を保存しました: %1</translation>
    </message>
    <message>
        <source>Export video to share</source>
        <translation>共有用動画のエクスポート</translation>
    </message>
    <message>
        <source>MP4 videos (*.mp4)</source>
        <translation>MP4 動画 (*.mp4)</translation>
    </message>
    <message>
        <source>Exporting the video...</source>
        <translation>動画をエクスポートしています...</translation>
    </message>
    <message>
        <source>Cannot export %1: %2</source>
        <translation>%1 をエクスポートできません: %2</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Export cancelled: %1</source>
        <translation>エクスポートを取り消しました: %1</translation>
    </message>
    <message>
        <source>Exported: %1</source>
        <translation>エクスポートしました: %1</translation>
    </message>
    <message>
        <source>The span was exported without its markers: %1</source>
        <translation>範囲はマーカーなしでエクスポートされました: %1</translation>
    </message>
    <message>
        <source>Span exported: %1</source>
        <translation>範囲をエクスポートしました: %1</translation>
    </message>
</context>
<context>
    <name>velatrace::TransportDialog</name>
    <message>
        <source>Transport setting</source>
        <translation>通信設定</translation>
    </message>
    <message>
        <source>TCP/IP</source>
        <translation>TCP/IP</translation>
    </message>
    <message>
        <source>&amp;IP address:</source>
        <translation>IP アドレス(&amp;I):</translation>
    </message>
    <message>
        <source>&amp;Port number:</source>
        <translation>ポート番号(&amp;P):</translation>
    </message>
    <message>
        <source>Serial port</source>
        <translation>シリアルポート</translation>
    </message>
    <message>
        <source>&amp;Baud rate:</source>
        <translation>ボーレート(&amp;B):</translation>
    </message>
    <message>
        <source>&amp;Data bits:</source>
        <translation>データビット(&amp;D):</translation>
    </message>
    <message>
        <source>&amp;Stop bits:</source>
        <translation>ストップビット(&amp;S):</translation>
    </message>
    <message>
        <source>Pa&amp;rity:</source>
        <translation>パリティ(&amp;R):</translation>
    </message>
    <message>
        <source>&amp;Frow ctrl:</source>
        <translation>フロー制御(&amp;F):</translation>
    </message>
    <message>
        <source>&amp;Terminater:</source>
        <translation>ターミネータ(&amp;T):</translation>
    </message>
    <message>
        <source>Time &amp;out:</source>
        <translation>タイムアウト(&amp;O):</translation>
    </message>
    <message>
        <source>msec</source>
        <translation>msec</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
</context>
</TS>
